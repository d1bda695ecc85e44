// Scanning and ordering a card of 20,000 recordings in process, warm cache.
// Whole processes against `find` are compared by bench/list_vs_find.sh.
#include "catalogue/folder_scan.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

const std::filesystem::path& cardTree()
{
    static const std::filesystem::path root = [] {
        const auto path = std::filesystem::temp_directory_path() / "dravonix-bench-card";
        if (std::filesystem::exists(path / ".complete"))
            return path;
        std::filesystem::remove_all(path);
        const char* folders[] = {"Normal", "Event", "Parking", "Manual"};
        const char* prefixes[] = {"alwa_", "event_", "motion_", "user_"};
        for (int i = 0; i < 10000; ++i) { // a front and a rear file each
            const int kind = i % 13 == 0 ? 1 : (i % 17 == 0 ? 2 : (i % 29 == 0 ? 3 : 0));
            const auto folder = path / folders[kind];
            std::filesystem::create_directories(folder);
            char name[64];
            const int minutes = i;
            for (const char channel : {'F', 'R'}) {
                std::snprintf(name, sizeof name, "%s2023%02d%02d_%02d%02d00_%c.mp4", prefixes[kind], 6 + minutes / 43200,
                              1 + (minutes / 1440) % 28, (minutes / 60) % 24, minutes % 60, channel);
                std::ofstream(folder / name).put('\0');
            }
        }
        std::ofstream(path / ".complete").put('\0');
        return path;
    }();
    return root;
}

} // namespace

static void BM_ScanAndOrderCard(benchmark::State& state)
{
    const QString root = QString::fromStdString(cardTree().string());
    for (auto _ : state) {
        const auto listed = dravonix::listRecordings(root.toUtf8());
        const std::vector<dravonix::RecordingRow>& rows = listed->rows;
        if (rows.size() != 20000) {
            state.SkipWithError("wrong number of rows");
            break;
        }
        benchmark::DoNotOptimize(rows.data());
    }
}
BENCHMARK(BM_ScanAndOrderCard)->Unit(benchmark::kMillisecond)->UseRealTime();

// Formatting a sparse image of a card against mkfs.fat with the same cluster
// size on the same image, in the same run; and the same format at growing
// card sizes, where only the FATs should cost more.
#include "card/fat32_format.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

std::filesystem::path sparseImage(std::uint64_t gib)
{
    const auto path = std::filesystem::temp_directory_path() / ("dravonix-bench-" + std::to_string(gib) + "g.img");
    std::filesystem::remove(path);
    std::ofstream(path, std::ios::binary).close();
    std::filesystem::resize_file(path, gib << 30);
    return path;
}

} // namespace

static void BM_FormatImage(benchmark::State& state)
{
    const auto gib = static_cast<std::uint64_t>(state.range(0));
    const auto path = sparseImage(gib);
    for (auto _ : state) {
        dravonix::OpenedDevice opened = dravonix::openImageFile(path.string());
        const auto result = dravonix::formatVolume(*opened.device, {128, ""}, dravonix::localTimeNow());
        if (!result.ok()) {
            state.SkipWithError(result.message.c_str());
            break;
        }
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_FormatImage)->ArgName("GiB")->Arg(8)->Arg(64)->Arg(512)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_MkfsFat(benchmark::State& state)
{
    const auto gib = static_cast<std::uint64_t>(state.range(0));
    const auto path = sparseImage(gib);
    const std::string command = "/usr/sbin/mkfs.fat -F 32 -s 128 -S 512 " + path.string() + " > /dev/null 2>&1";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("mkfs.fat failed");
            break;
        }
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_MkfsFat)->ArgName("GiB")->Arg(64)->Unit(benchmark::kMillisecond)->UseRealTime();

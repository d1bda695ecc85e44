// Sentences decoded per second on one core.
#include "telemetry/gps_fix.h"
#include "telemetry/record_text_decoder.h"

#include <benchmark/benchmark.h>

#include <array>
#include <string_view>

static void BM_DecodeSentences(benchmark::State& state)
{
    constexpr std::array<std::string_view, 4> sentences{
        "$GNRMC,081005.000,A,3722.4432,N,12638.5592,E,22.4,84.4,150623,,,A*6A",
        "$GNGGA,081005,3722.4432,N,12638.5592,E,1,09,0.9*47",
        "$GNGSA,A,3,05,08,11,14,17,20,23,,,,,,,1.1,*30",
        "$GNGSA,A,3,65,68,71,74,,,,,,,,,,1.1,*30",
    };
    dravonix::GpsFix fix;
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(dravonix::decodeSentence(sentences[i++ & 3], fix));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DecodeSentences);

// Whole record texts as the camera writes them (RMC then GGA, padded with
// zeros to 128 bytes), decoded per second on one core: what reading a card's
// tracks costs per record. Argument 1: only what trips read (FixDetail::Motion).
static void BM_DecodeRecordTexts(benchmark::State& state)
{
    constexpr std::array<std::string_view, 2> texts{
        "$GNRMC,081005.000,A,3722.4432,N,12638.5592,E,22.4,84.4,150623,,,A*6A\r\n"
        "$GNGGA,081005,3722.4432,N,12638.5592,E,1,09,0.9*47\r\n",
        "$GNRMC,081006.000,A,3722.4519,N,12638.5611,E,23.1,84.9,150623,,,A*6B\r\n"
        "$GNGGA,081006,3722.4519,N,12638.5611,E,1,09,0.9*41\r\n",
    };
    std::array<std::array<char, 128>, 2> records{};
    for (std::size_t r = 0; r < texts.size(); ++r)
        texts[r].copy(records[r].data(), records[r].size());
    dravonix::GpsFix fix;
    const auto detail = state.range(0) != 0 ? dravonix::FixDetail::Motion : dravonix::FixDetail::Full;
    // Argument 2: one after another, as a track's texts are read, each
    // shaped like the one before.
    dravonix::RecordTextDecoder decoder(detail);
    const bool track = state.range(1) != 0;
    std::size_t i = 0;
    for (auto _ : state) {
        if (track)
            decoder.decode(records[i++ & 1], fix);
        else
            dravonix::decodeRecordText(records[i++ & 1], fix, detail);
        benchmark::DoNotOptimize(fix);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DecodeRecordTexts)->ArgsProduct({{0, 1}, {0, 1}});

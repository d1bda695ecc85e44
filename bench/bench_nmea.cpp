// Sentences decoded per second on one core.
#include "telemetry/gps_fix.h"

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

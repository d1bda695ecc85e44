// Runs the benchmarks, then prints each one that names a baseline as a ratio
// against that baseline, measured in the same run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration)
                seconds_[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }

    void printRatio(const std::string& name, const std::string& baseline) const
    {
        const auto a = seconds_.find(name);
        const auto b = seconds_.find(baseline);
        if (a != seconds_.end() && b != seconds_.end() && b->second > 0)
            std::printf("ratio %s / %s = %.2f\n", name.c_str(), baseline.c_str(), a->second / b->second);
    }

private:
    std::map<std::string, double> seconds_;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("BM_FormatImage/GiB:64/real_time", "BM_MkfsFat/GiB:64/real_time");
    reporter.printRatio("BM_FormatImage/GiB:512/real_time", "BM_FormatImage/GiB:8/real_time");
    benchmark::Shutdown();
    return 0;
}

#pragma once

// A console reporter that also remembers each benchmark's time, so a benchmark program can
// print our figure beside its peer's as a ratio at the end of the same run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace bench {

class ratio_reporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& run : runs) {
            // With repetitions only the median row is kept; single runs are kept as they are.
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median")
                continue;
            times_[run.run_name.function_name] = run.GetAdjustedRealTime();
        }
    }

    // Prints "<label>: ours <t>, peer <t>, ratio <ours/peer>", with the target when one is
    // given (limit > 0) and whether it was met.
    bool print_ratio(const char* label, const std::string& ours, const std::string& peer, double limit = 0) const
    {
        auto a = times_.find(ours);
        auto b = times_.find(peer);
        if (a == times_.end() || b == times_.end() || b->second <= 0)
            return false;
        double ratio = a->second / b->second;
        std::printf("%s: ours %.1f, peer %.1f, ratio %.2f", label, a->second, b->second, ratio);
        if (limit > 0)
            std::printf(" (target <= %.2f)%s", limit, ratio <= limit ? "" : "  MISSED");
        std::printf("\n");
        return limit <= 0 || ratio <= limit;
    }

    double time_of(const std::string& name) const
    {
        auto it = times_.find(name);
        return it == times_.end() ? -1 : it->second;
    }

private:
    std::map<std::string, double> times_;
};

// Time per MB at the larger size over time per MB at the smaller one, printed with the
// target (at most 2); `met` turns false when it is missed.
inline void print_growth(const ratio_reporter& reporter, const char* label, const std::string& small,
    const std::string& large, double size_ratio, bool& met)
{
    const double a = reporter.time_of(small);
    const double b = reporter.time_of(large);
    if (a <= 0 || b <= 0)
        return;
    const double growth = b / size_ratio / a;
    std::printf("%s: per-MB time at %gx the size is %.2f times the smaller one's (target <= 2.00)%s\n", label,
        size_ratio, growth, growth <= 2.0 ? "" : "  MISSED");
    met = met && growth <= 2.0;
}

}

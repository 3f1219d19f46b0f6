// The console reporter of the benchmarks that compare the engine with hand-written SQLite: it
// prints every run as usual and keeps, for each benchmark, the CPU time per iteration of its
// fastest repetition. Other processes on the machine only ever add time, so the fastest
// repetition is the figure least disturbed by them.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace bench {

class FastestRunReporter : public benchmark::ConsoleReporter {
public:
    FastestRunReporter();

    void ReportRuns(const std::vector<Run>& runs) override;

    // The fastest CPU time per iteration, in the benchmark's unit, of the benchmark registered as
    // `name` with the arguments `args`; nothing when it did not run or failed.
    std::optional<double> fastest(const std::string& name, const std::string& args = {}) const;

private:
    std::map<std::string, double> cpu_;
};

}  // namespace bench

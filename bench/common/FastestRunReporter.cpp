#include "bench/common/FastestRunReporter.h"

#include <algorithm>

namespace bench {

namespace {

std::string key(const std::string& name, const std::string& args) {
    return args.empty() ? name : name + "/" + args;
}

}  // namespace

FastestRunReporter::FastestRunReporter() : ConsoleReporter(OO_None) {}

void FastestRunReporter::ReportRuns(const std::vector<Run>& runs) {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        if (run.error_occurred || run.run_type != Run::RT_Iteration || run.iterations == 0)
            continue;
        const double cpu = run.GetAdjustedCPUTime();
        const auto [it, added] =
            cpu_.emplace(key(run.run_name.function_name, run.run_name.args), cpu);
        if (!added)
            it->second = std::min(it->second, cpu);
    }
}

std::optional<double> FastestRunReporter::fastest(const std::string& name,
                                                  const std::string& args) const {
    const auto it = cpu_.find(key(name, args));
    if (it == cpu_.end())
        return std::nullopt;
    return it->second;
}

}  // namespace bench

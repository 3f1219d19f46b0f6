#include "bench/common/PairedRuns.h"

#include <time.h>

#include <algorithm>
#include <vector>

namespace bench {

namespace {

double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

double median(std::vector<double> values) {
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// Times `calls` calls of one way from its next sample on, in milliseconds of CPU time.
class Way {
public:
    explicit Way(const std::function<void(size_t)>& call) : call_(call) {}

    double run(size_t calls) {
        const double start = threadCpuMs();
        for (size_t k = 0; k < calls; ++k)
            call_(next_++);
        return threadCpuMs() - start;
    }

private:
    const std::function<void(size_t)>& call_;
    size_t next_ = 0;
};

}  // namespace

PairedTiming comparePaired(const std::function<void(size_t)>& first,
                           const std::function<void(size_t)>& second, int pairs, double runMs) {
    Way a(first);
    Way b(second);
    // Warm both ways up, and size a run from the first way's time per call.
    constexpr size_t kTrialCalls = 20;
    const double trialMs = a.run(kTrialCalls);
    b.run(kTrialCalls);
    // A clock too coarse to see the trial leaves the runs at the trial's length.
    const double scaled = trialMs > 0 ? runMs / trialMs * kTrialCalls : 0;
    const size_t calls = std::max<size_t>(kTrialCalls, static_cast<size_t>(std::min(scaled, 1e6)));

    std::vector<double> aMs, bMs, ratios;
    for (int p = 0; p < pairs; ++p) {
        double ta = 0;
        double tb = 0;
        if (p % 2 == 0) {
            ta = a.run(calls);
            tb = b.run(calls);
        } else {
            tb = b.run(calls);
            ta = a.run(calls);
        }
        aMs.push_back(ta);
        bMs.push_back(tb);
        ratios.push_back(ta / tb);
    }
    const double perCallUs = 1e3 / static_cast<double>(calls);
    return {median(aMs) * perCallUs, median(bMs) * perCallUs, median(ratios)};
}

}  // namespace bench

// Two ways of doing the same call, timed in alternation: a run of calls of one, then a run of
// the other, pair after pair, with the order swapped every other pair. Both runs of a pair meet
// the machine in the same state, so the ratio of each pair holds even while the machine's speed
// drifts from second to second, as it does on a shared virtual machine; the median over the
// pairs then drops the pairs that another process disturbed.
#pragma once

#include <cstddef>
#include <functional>

namespace bench {

struct PairedTiming {
    double firstUs = 0;   // CPU time per call of the first way, median over its runs
    double secondUs = 0;  // the same for the second
    double ratio = 0;     // first to second, median over the pairs
};

// `first` and `second` make the call for the i-th sample; each way goes through the samples in
// the same order. A run lasts about `runMs` milliseconds of the first way's time.
PairedTiming comparePaired(const std::function<void(size_t)>& first,
                           const std::function<void(size_t)>& second, int pairs = 101,
                           double runMs = 2.0);

}  // namespace bench

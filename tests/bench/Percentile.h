#pragma once
// Summaries of timed samples for benchmark counters.
#include <algorithm>
#include <vector>

// The sample below which the given fraction of all samples lie (0.5: the median).
inline double Percentile(std::vector<double> samples, double fraction) {
    if (samples.empty())
        return 0;
    std::sort(samples.begin(), samples.end());
    const auto index = static_cast<size_t>(fraction * static_cast<double>(samples.size() - 1));
    return samples[index];
}

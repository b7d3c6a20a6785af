// The built plug-in loaded through the test host, as a host would run it, for
// the benchmarks that measure it from outside.
#pragma once

#include <benchmark/benchmark.h>

#include <memory>

#include "tools/testhost/TestHost.h"

namespace bench {

// Null, with the benchmark marked skipped, when the plug-in does not load.
inline auto loadHostedKolbri(benchmark::State& state, double sampleRate, int blockSize) {
    testhost::HostConfig config;
    config.sampleRate = sampleRate;
    config.blockSize = blockSize;
    auto plugin = testhost::Host(config).load(KOLBRI_SO_PATH);
    if (!plugin) state.SkipWithError(testhost::Host::lastError().c_str());
    return plugin;
}

}  // namespace bench

// Tells whether a call completes: a library export that is not written yet aborts, so it
// is tried once in a child process before the benchmarks are registered.
#ifndef PELMORA_BENCH_PROBE_H
#define PELMORA_BENCH_PROBE_H

#include <functional>

namespace bench {

bool call_completes(const std::function<void()>& call);

} // namespace bench

#endif

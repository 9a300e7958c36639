#pragma once
// The stack workflow of the session layer against as many single presses.

namespace kestrum_bench {

void RegisterStackBenchmarks();

}  // namespace kestrum_bench

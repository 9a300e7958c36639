#pragma once
// A press of every book in the world frame next to the same press in the tool's own.

namespace kestrum_bench {

void RegisterFrameBenchmarks();

}  // namespace kestrum_bench

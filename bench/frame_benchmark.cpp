// "Align selected" on every book against the turned table, in the world frame (a box
// shown to the tool for each book, each book then moved by its box's distance) and in
// the tool's own frame, in the same run: the world frame should cost at most 1.5 times
// the tool's.

#include "frame_benchmark.h"

#include <benchmark/benchmark.h>

#include "books_library.h"

namespace kestrum_bench {
namespace {

void PressInFrame(benchmark::State& state) {
  const auto objects = static_cast<size_t>(state.range(0));
  const auto frame = static_cast<kcommand::PlacementFrame>(state.range(1));
  Library library(objects);
  for (const size_t book : library.stack) library.session->Select(book, true);
  const kcommand::AlignmentPress press{0, std::nullopt, kOnTop, kcommand::Placement{frame}};
  for (auto _ : state) {
    library.session->Press(press);
    state.PauseTiming();
    library.Forget();
    state.ResumeTiming();
  }
  CountPresses(state, objects);
}

}  // namespace

void RegisterFrameBenchmarks() {
  for (const kcommand::PlacementFrame frame :
       {kcommand::PlacementFrame::kTool, kcommand::PlacementFrame::kWorld}) {
    benchmark::RegisterBenchmark(
        (std::string("PressInFrame/") + kcommand::FrameName(frame)).c_str(), PressInFrame)
        ->Args({100000, static_cast<int64_t>(frame)})
        ->Unit(benchmark::kMillisecond);
  }
}

}  // namespace kestrum_bench

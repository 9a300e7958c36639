// A stack of objects (each aligned on the one before with the one-object button, in one
// undo step) next to the same number of single presses of that button, so that the cost
// of the workflow around the presses shows: the stack should cost at most 1.5 times the
// single presses.

#include "stack_benchmark.h"

#include <benchmark/benchmark.h>

#include <memory>

#include "alignment_session.h"
#include "books_library.h"
#include "kestrum_settings.h"

namespace kestrum_bench {
namespace {

// One Stack call of all the books.
void StackBooks(benchmark::State& state) {
  const auto objects = static_cast<size_t>(state.range(0));
  Library library(objects);
  for (auto _ : state) {
    // The tool's own frame, as the single presses below are.
    library.session->Stack(0, library.stack, kOnTop,
                           kcommand::Placement{kcommand::PlacementFrame::kTool});
    state.PauseTiming();
    library.Forget();
    state.ResumeTiming();
  }
  CountPresses(state, objects);
}

// The same presses one at a time, each its own press of the button with its links and
// axes written, as the host delivers a press (no workflow around them).
void SinglePresses(benchmark::State& state) {
  const auto objects = static_cast<size_t>(state.range(0));
  Library library(objects);
  kcommand::AlignmentSession& session = *library.session;
  for (int axis = 0; axis < 3; ++axis) session.WriteAxis(axis, kOnTop[static_cast<size_t>(axis)]);
  for (auto _ : state) {
    size_t against = 0;
    for (const size_t book : library.stack) {
      session.LinkObject(ALIGN_REFERENCE, against);
      session.LinkObject(ALIGN_OBJECT, book);
      for (int axis = 0; axis < 3; ++axis)
        session.WriteAxis(axis, kOnTop[static_cast<size_t>(axis)]);
      if (session.PressButton(HOST_COMMAND_ALIGN_OBJECT) != 1)
        state.SkipWithError("the tool refused a press");
      against = book;
    }
    state.PauseTiming();
    library.Forget();
    state.ResumeTiming();
  }
  CountPresses(state, objects);
}

}  // namespace

void RegisterStackBenchmarks() {
  for (const int64_t size : {int64_t{1000}, int64_t{10000}}) {
    benchmark::RegisterBenchmark("StackBooks", StackBooks)
        ->Arg(size)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("SinglePresses", SinglePresses)
        ->Arg(size)
        ->Unit(benchmark::kMillisecond);
  }
}

}  // namespace kestrum_bench

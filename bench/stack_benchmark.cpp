// A stack of objects (each aligned on the one before with the one-object button, in one
// undo step) next to the same number of single presses of that button, so that the cost
// of the workflow around the presses shows: the stack should cost at most 1.5 times the
// single presses.

#include "stack_benchmark.h"

#include <benchmark/benchmark.h>

#include <memory>

#include "alignment_session.h"
#include "kestrum_settings.h"

namespace kestrum_bench {
namespace {

// A reference and `objects` books spread over the floor, top level.
kcommand::SceneModel Books(size_t objects) {
  kcommand::SceneModel scene;
  kcommand::SceneObject table;
  table.name = "Table";
  table.rotationDegrees = {0, 30, 0};
  table.halfSize = {20, 1, 10};
  scene.objects.push_back(table);
  for (size_t i = 0; i < objects; ++i) {
    kcommand::SceneObject book;
    book.name = "Book" + std::to_string(i);
    book.position = {static_cast<double>(i % 100), 0, static_cast<double>(i / 100)};
    book.halfSize = {3, 0.5 + static_cast<double>(i % 7) * 0.125, 2};
    scene.objects.push_back(book);
  }
  return scene;
}

const std::array<kcommand::AxisChoice, 3> kOnTop{
    kcommand::AxisChoice{kcommand::AxisMode::kCenter, kcommand::AxisSide::kInside},
    kcommand::AxisChoice{kcommand::AxisMode::kPlus, kcommand::AxisSide::kOutside},
    kcommand::AxisChoice{kcommand::AxisMode::kCenter, kcommand::AxisSide::kInside}};

struct Library {
  explicit Library(size_t objects) : scene(Books(objects)) {
    session = std::make_unique<kcommand::AlignmentSession>(KESTRUM_PLUGIN_FOLDER, scene, "books",
                                                           nullptr);
    for (size_t i = 1; i <= objects; ++i) stack.push_back(i);
  }
  void Forget() {
    while (session->Undo()) {
    }
    session->host().scene().ClearUndoHistory(session->objects().Document());
    session->host().scene().ClearMessages();
  }
  kcommand::SceneModel scene;
  std::unique_ptr<kcommand::AlignmentSession> session;
  std::vector<size_t> stack;
};

void CountPresses(benchmark::State& state, size_t objects) {
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(objects));
  state.counters["objects"] = static_cast<double>(objects);
  state.counters["ns/object"] = benchmark::Counter(
      static_cast<double>(objects) * 1e-9,
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// One Stack call of all the books.
void StackBooks(benchmark::State& state) {
  const auto objects = static_cast<size_t>(state.range(0));
  Library library(objects);
  for (auto _ : state) {
    library.session->Stack(0, library.stack, kOnTop);
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

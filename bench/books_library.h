#pragma once
// A library of books on the floor beside a turned table, loaded into a session of the
// built plug-in: the scene the session layer's benchmarks press on.

#include <benchmark/benchmark.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "alignment_session.h"

namespace kestrum_bench {

// A reference and `objects` books spread over the floor, top level.
inline kcommand::SceneModel Books(size_t objects) {
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

inline const std::array<kcommand::AxisChoice, 3> kOnTop{
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

inline void CountPresses(benchmark::State& state, size_t objects) {
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(objects));
  state.counters["objects"] = static_cast<double>(objects);
  state.counters["ns/object"] = benchmark::Counter(
      static_cast<double>(objects) * 1e-9,
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

}  // namespace kestrum_bench

// Align selected (10001) with all three axes in a face mode on 1e3 to 1e6 selected
// objects, then undo and redo of that one step. Each press goes through c4d_main's
// binding and the tool's registration record, as a host drives the tool. Between timed
// presses the host drops its undo history and message log, so every press records the
// same amount into a history that does not grow without bound.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>

#include "alignment_run.h"
#include "frame_benchmark.h"
#include "stack_benchmark.h"
#include "summary_reporter.h"

namespace kestrum_bench {
namespace {

constexpr int64_t kSizes[] = {1'000, 10'000, 100'000, 1'000'000};

double WallSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Includes the time the kernel spends on the thread's page faults.
double ThreadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// One run at a time: the module is one library, bound to one host. Kept between
// benchmarks of the same size, since building a million objects takes longer than
// aligning them.
std::unique_ptr<AlignmentRun> currentRun;

AlignmentRun& RunFor(size_t selectedObjects) {
  if (!currentRun || currentRun->SelectedObjects() != selectedObjects) {
    currentRun.reset();
    const double buildStart = ThreadCpuSeconds();
    currentRun = std::make_unique<AlignmentRun>(BenchOptions(selectedObjects));
    const double buildCpuSeconds = ThreadCpuSeconds() - buildStart;
    // The first press on the freshly built scene, the one a user makes after selecting:
    // it records into the storage the host prepared while the scene was selected, which
    // no press has used yet. Timed once here, in the thread's CPU time like the
    // benchmarks, which then measure presses into storage earlier presses used.
    const double wallStart = WallSeconds();
    const double cpuStart = ThreadCpuSeconds();
    currentRun->PressAlign();
    NoteFirstPress(selectedObjects, WallSeconds() - wallStart, ThreadCpuSeconds() - cpuStart,
                   buildCpuSeconds);
    currentRun->Undo();
    currentRun->Redo();
    currentRun->ForgetHistory();
  }
  return *currentRun;
}

void CountObjects(benchmark::State& state, size_t objects) {
  const auto count = static_cast<double>(objects);
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(objects));
  state.counters["ns/object"] = benchmark::Counter(
      count * 1e-9, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["objects"] = count;
}

void AlignSelected(benchmark::State& state) {
  const auto objects = static_cast<size_t>(state.range(0));
  AlignmentRun& run = RunFor(objects);
  for (auto _ : state) {
    if (!run.PressAlign()) state.SkipWithError("the host reported misuse");
    state.PauseTiming();
    run.ForgetHistory();
    state.ResumeTiming();
  }
  CountObjects(state, objects);
}

void UndoAlign(benchmark::State& state) {
  const auto objects = static_cast<size_t>(state.range(0));
  AlignmentRun& run = RunFor(objects);
  run.PressAlign();
  for (auto _ : state) {
    if (!run.Undo()) state.SkipWithError("nothing to undo");
    state.PauseTiming();
    run.Redo();
    state.ResumeTiming();
  }
  run.ForgetHistory();
  CountObjects(state, objects);
}

void RedoAlign(benchmark::State& state) {
  const auto objects = static_cast<size_t>(state.range(0));
  AlignmentRun& run = RunFor(objects);
  run.PressAlign();
  for (auto _ : state) {
    state.PauseTiming();
    run.Undo();
    state.ResumeTiming();
    if (!run.Redo()) state.SkipWithError("nothing to redo");
  }
  run.ForgetHistory();
  CountObjects(state, objects);
}

void ApplySizes(benchmark::internal::Benchmark* benchmark) {
  // Rates use the thread's CPU time: the machine is shared, and wall time would also
  // count the time other jobs held the cores. The summary shows both.
  benchmark->Unit(benchmark::kMillisecond);
}

// Sizes outermost, so each scene is built once.
void RegisterBenchmarks() {
  for (int64_t size : kSizes) {
    benchmark::RegisterBenchmark("AlignSelected", AlignSelected)->Arg(size)->Apply(ApplySizes);
    benchmark::RegisterBenchmark("UndoAlign", UndoAlign)->Arg(size)->Apply(ApplySizes);
    benchmark::RegisterBenchmark("RedoAlign", RedoAlign)->Arg(size)->Apply(ApplySizes);
  }
}

}  // namespace
}  // namespace kestrum_bench

int main(int argc, char** argv) {
  // --no_call_counts leaves out the traced presses, e.g. when profiling the timed ones.
  bool countCalls = true;
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--no_call_counts") == 0)
      countCalls = false;
    else
      argv[kept++] = argv[i];
  }
  argc = kept;
  kestrum_bench::RegisterBenchmarks();
  kestrum_bench::RegisterStackBenchmarks();
  kestrum_bench::RegisterFrameBenchmarks();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  kestrum_bench::SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  kestrum_bench::currentRun.reset();
  reporter.PrintSummary();
  reporter.PrintFirstPresses();
  if (countCalls) kestrum_bench::PrintCallsAndBlocks();
  benchmark::Shutdown();
  return 0;
}

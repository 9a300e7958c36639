// Thousands of random user actions against random scenes: commands (align selected,
// align one, reset, unknown ids, other message types), setting changes (unknown modes,
// absent entries, every side), selections, links (also to deleted objects), undo and
// redo. After every action each object's world matrix is compared with where the
// placement model says it must be, and undo and redo must restore exactly.

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstring>
#include <random>
#include <unordered_map>

#include "check.h"
#include "check_support.h"
#include "containers.h"
#include "kestrum_axis_ids.h"
#include "kestrum_settings.h"
#include "placement_model.h"
#include "scene.h"

namespace khost::validator {
namespace {

constexpr int kActionsPerScene = 60;
constexpr int kActionsPerRepeat = 1000;
// A reference aligned against itself squares its matrix, so repeated presses grow a
// scene's numbers fast; past this size a scene ends early and a fresh one starts.
constexpr double kLargestComponent = 1e4;
// Squaring shrinks small scales as fast, and products of turned, unevenly scaled
// matrices shear: past these a scene's matrices are too near singular to judge.
constexpr double kSmallestAxis = 1e-2;
constexpr double kWorstConditioning = 100;
// Components not known exactly must agree within this much of the matrix's magnitude,
// times the conditioning of the matrices that went into them.
constexpr double kRelativeTolerance = 1e-9;

std::string MatrixText(const HostMatrix& m) {
  char text[400];
  std::snprintf(text, sizeof text,
                "[(%.17g %.17g %.17g) (%.17g %.17g %.17g) (%.17g %.17g %.17g) (%.17g %.17g %.17g)]",
                m.offset.x, m.offset.y, m.offset.z, m.axisX.x, m.axisX.y, m.axisX.z, m.axisY.x,
                m.axisY.y, m.axisY.z, m.axisZ.x, m.axisZ.y, m.axisZ.z);
  return text;
}

const double* Components(const HostMatrix& m) { return &m.offset.x; }

// `conditioning` widens the tolerance by how much the matrices involved magnify rounding.
bool Agree(const HostMatrix& actual, const HostMatrix& expected, bool exact,
           double conditioning = 1.0) {
  double magnitude = 1.0;
  for (int i = 0; i < 12; ++i) magnitude = std::max(magnitude, std::fabs(Components(expected)[i]));
  const double tolerance = kRelativeTolerance * magnitude * conditioning;
  for (int i = 0; i < 12; ++i) {
    const double a = Components(actual)[i];
    const double e = Components(expected)[i];
    if (exact ? !(a == e) : !(std::fabs(a - e) <= tolerance)) return false;
  }
  return true;
}

// One undo step as both sides see it.
struct Step {
  std::vector<int> recorded;
  std::vector<ModelObject> before, after;  // the model's objects (all of them)
  std::vector<HostMatrix> hostBefore, hostAfter;
};

class RandomRun {
 public:
  RandomRun(OpenPlugin& plugin, uint64_t seed) : plugin_(plugin), random_(seed) {}

  // "" while everything agrees, else what went wrong.
  std::string Scene(int sceneNumber) {
    scene_ = sceneNumber;
    BuildScene();
    for (command_ = 1; command_ <= kActionsPerScene; ++command_) {
      const std::string action = Act();
      ++actions_;
      const std::string problem = Compare();
      if (!problem.empty()) return Where() + action + ": " + problem;
      if (Oversized()) break;
    }
    return {};
  }
  int Commands() const { return commands_; }
  int Actions() const { return actions_; }
  std::string ComparisonCounts() const {
    return std::to_string(exactComparisons_) + " placements compared exactly, " +
           std::to_string(toleranceComparisons_) + " within tolerance";
  }

 private:
  khost::Scene& scene() { return plugin_.host.scene(); }
  Containers& containers() { return plugin_.host.containers(); }
  std::string Where() const {
    return "scene " + std::to_string(scene_) + ", action " + std::to_string(command_) + " (";
  }

  int Pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(random_); }
  bool Chance(double p) { return std::uniform_real_distribution<double>(0, 1)(random_) < p; }
  // Multiples of 1/4: exact in binary, so positions and half sizes start exact.
  double Quarter(int lowest, int highest) {
    return std::uniform_int_distribution<int>(lowest * 4, highest * 4)(random_) / 4.0;
  }

  void BuildScene() {
    document_ = scene().NewDocument("random " + std::to_string(scene_));
    model_ = PlacementModel();
    handles_.clear();
    undo_.clear();
    redo_.clear();
    settings_ = AxisSettings();
    for (int axis = 0; axis < 3; ++axis) {
      settings_.mode[axis] = kKestrumAxes[axis].modes[0];
      settings_.side[axis] = kKestrumAxes[axis].inside;
      containers().SetInt(plugin_.settings, kKestrumAxes[axis].modeSetting, settings_.mode[axis]);
      containers().SetInt(plugin_.settings, kKestrumAxes[axis].sideSetting, settings_.side[axis]);
    }
    const int count = 3 + Pick(8);
    const double scales[] = {1, 1, 0.5, 2, 1.5};
    for (int i = 0; i < count; ++i) {
      ModelObject object;
      object.name = "O" + std::to_string(i);
      object.parent = i > 0 && Chance(0.4) ? Pick(i) : -1;
      const HostVector position{Quarter(-10, 10), Quarter(-10, 10), Quarter(-10, 10)};
      const HostVector angles = Chance(0.3)
                                    ? HostVector{0, 0, 0}
                                    : HostVector{Quarter(-3, 3), Quarter(-3, 3), Quarter(-3, 3)};
      object.scale = {scales[Pick(5)], scales[Pick(5)], scales[Pick(5)]};
      object.halfSizes = {Quarter(0, 5), Quarter(0, 5), Quarter(0, 5)};
      object.selected = Chance(0.5);
      HostObject* handle = scene().NewObject(document_, object.name,
                                             object.parent < 0 ? nullptr : handles_[object.parent]);
      scene().SetPosition(handle, position);
      scene().SetRotation(handle, angles);
      scene().SetScale(handle, object.scale);
      scene().SetHalfSizes(handle, object.halfSizes);
      scene().SetSelected(handle, object.selected);
      // The host's own local matrix is the starting point: an input, not a result.
      object.local = scene().LocalMatrix(handle);
      handles_.push_back(handle);
      model_.Add(object);
    }
    // Objects that links may still name after they are gone.
    for (int i = 0; i < 2; ++i) {
      ModelObject ghost;
      ghost.name = "Gone" + std::to_string(i);
      HostObject* handle = scene().NewObject(document_, ghost.name);
      handles_.push_back(handle);
      ghostIds_[handle] = scene().IdOf(handle);
      model_.Delete(model_.Add(ghost));
      scene().DeleteObject(handle);
    }
    SetLink(ALIGN_REFERENCE, reference_, Pick(count));
    SetLink(ALIGN_OBJECT, single_, Chance(0.8) ? Pick(count) : -1);
  }

  void SetLink(int32_t id, int& slot, int index) {
    slot = index;
    if (index < 0)
      containers().Remove(plugin_.settings, id);
    else
      containers().SetLink(plugin_.settings, id,
                           scene().IdOf(handles_[index]) != 0 ? scene().IdOf(handles_[index])
                                                              : ghostIds_[handles_[index]]);
  }

  bool Resolves(int index) const { return index >= 0 && model_.objects()[index].alive; }

  std::vector<HostMatrix> HostWorlds() {
    std::vector<HostMatrix> worlds(handles_.size(), HostMatrix{});
    for (size_t i = 0; i < handles_.size(); ++i)
      if (model_.objects()[i].alive) worlds[i] = scene().WorldMatrix(handles_[i]);
    return worlds;
  }

  int32_t RandomMode(int axis) {
    switch (Pick(6)) {
      case 0:
        return 0;  // written as "absent"
      case 1:
        return 1 + Pick(20000);
      default:
        return kKestrumAxes[axis].modes[0] + Pick(4);
    }
  }
  int32_t RandomSide(int axis) {
    switch (Pick(4)) {
      case 0:
        return 0;
      case 1:
        return Pick(20000);
      case 2:
        return kKestrumAxes[axis].outside;
      default:
        return kKestrumAxes[axis].inside;
    }
  }
  void WriteSetting(int32_t id, int32_t value) {
    if (value == 0)
      containers().Remove(plugin_.settings, id);
    else
      containers().SetInt(plugin_.settings, id, value);
  }

  std::string Press(int32_t command) {
    commands_++;
    const bool single =
        command == HOST_COMMAND_ALIGN_OBJECT || command == HOST_COMMAND_ALIGN_OBJECT_ALT;
    Step step;
    if (command == ALIGN_SELECTED && Resolves(reference_)) step.recorded = model_.SelectedInOrder();
    if (single && Resolves(reference_) && Resolves(single_)) step.recorded = {single_};
    const bool makesStep = !step.recorded.empty();
    step.before = model_.objects();
    step.hostBefore = HostWorlds();
    const size_t stepsBefore = scene().UndoSteps(document_);
    plugin_.session.Press(document_, plugin_.settings, command);
    if (makesStep) {
      for (int moved : step.recorded) model_.Align(moved, reference_, settings_);
      step.after = model_.objects();
      step.hostAfter = HostWorlds();
      undo_.push_back(std::move(step));
      redo_.clear();
    }
    if (command == HOST_COMMAND_RESET)
      for (int axis = 0; axis < 3; ++axis) {
        settings_.mode[axis] = kKestrumAxes[axis].modes[0];
        settings_.side[axis] = kKestrumAxes[axis].inside;
      }
    stepProblem_.clear();
    if (scene().UndoSteps(document_) != stepsBefore + (makesStep ? 1 : 0))
      stepProblem_ = "expected " + std::string(makesStep ? "one undo step" : "no undo step") +
                     ", the host has " + std::to_string(scene().UndoSteps(document_)) + " (was " +
                     std::to_string(stepsBefore) + ")";
    return "press " + std::to_string(command) + ")";
  }

  // Whether undo must bring the object back bit for bit: it was recorded, and so was
  // every ancestor. Below an unrecorded ancestor the host works the matrix out again
  // from that ancestor's, which other steps may have recomputed in the meantime.
  bool RestoredExactly(const std::vector<int>& recorded, int index) const {
    for (int at = index; at >= 0; at = model_.objects()[at].parent)
      if (std::find(recorded.begin(), recorded.end(), at) == recorded.end()) return false;
    return true;
  }

  // Undo or redo on both sides; the host must bring back its own earlier matrices.
  std::string UndoOrRedo(bool undo) {
    std::vector<Step>& from = undo ? undo_ : redo_;
    std::vector<Step>& to = undo ? redo_ : undo_;
    // The host keeps the recorded objects as they are now for the way back.
    const std::vector<HostMatrix> beforeThis = HostWorlds();
    const bool done = undo ? scene().Undo(document_) : scene().Redo(document_);
    const std::string action = std::string(undo ? "undo" : "redo") + ")";
    stepProblem_.clear();
    if (from.empty()) {
      if (done) stepProblem_ = "the host had a step the model did not expect";
      return action;
    }
    if (!done) {
      stepProblem_ = "the host refused although a step was expected";
      return action;
    }
    Step step = std::move(from.back());
    from.pop_back();
    // Recorded objects come back with everything undo records (selection included); the
    // host keeps their state of this moment for the way back, selection changes made
    // since the step included.
    for (int index : step.recorded) {
      (undo ? step.after : step.before)[index] = model_.objects()[index];
      model_.objects()[index] = undo ? step.before[index] : step.after[index];
    }
    // Objects recorded together with all their ancestors come back bit for bit; the
    // others are worked out again from their parents, which may differ in the last
    // bits from a matrix they were given when last aligned.
    const std::vector<HostMatrix> expected = undo ? step.hostBefore : step.hostAfter;
    (undo ? step.hostAfter : step.hostBefore) = beforeThis;
    const std::vector<HostMatrix> now = HostWorlds();
    for (size_t i = 0; i < now.size() && stepProblem_.empty(); ++i) {
      if (!model_.objects()[i].alive) continue;
      const bool recorded = RestoredExactly(step.recorded, static_cast<int>(i));
      if (recorded ? std::memcmp(&now[i], &expected[i], sizeof now[i]) != 0
                   : !Agree(now[i], expected[i], false, model_.Conditioning(static_cast<int>(i))))
        stepProblem_ = model_.objects()[i].name +
                       (recorded ? " not restored bit for bit: " : " not restored: ") +
                       MatrixText(now[i]) + " instead of " + MatrixText(expected[i]);
    }
    to.push_back(std::move(step));
    return action;
  }

  std::string Act() {
    const int roll = Pick(100);
    if (roll < 28) return Press(ALIGN_SELECTED);
    if (roll < 46)
      return Press(Chance(0.5) ? HOST_COMMAND_ALIGN_OBJECT : HOST_COMMAND_ALIGN_OBJECT_ALT);
    if (roll < 50) return Press(HOST_COMMAND_RESET);
    if (roll < 54) {
      const int32_t unknown[] = {0, 700, 703, 705, 10002, 10004, 123456, -1};
      return Press(unknown[Pick(8)]);
    }
    if (roll < 56) {
      commands_++;
      const int32_t type = Chance(0.5) ? 0 : 17 + 2 * Pick(2);
      plugin_.session.SendMessage(document_, plugin_.settings, type, nullptr);
      stepProblem_.clear();
      return "message type " + std::to_string(type) + ")";
    }
    stepProblem_.clear();
    if (roll < 72) {
      const int axis = Pick(3);
      if (Chance(0.6)) {
        settings_.mode[axis] = RandomMode(axis);
        WriteSetting(kKestrumAxes[axis].modeSetting, settings_.mode[axis]);
        return "mode " + std::to_string(kKestrumAxes[axis].modeSetting) + " = " +
               std::to_string(settings_.mode[axis]) + ")";
      }
      settings_.side[axis] = RandomSide(axis);
      WriteSetting(kKestrumAxes[axis].sideSetting, settings_.side[axis]);
      return "side " + std::to_string(kKestrumAxes[axis].sideSetting) + " = " +
             std::to_string(settings_.side[axis]) + ")";
    }
    if (roll < 82) {
      const int index = Pick(static_cast<int>(handles_.size()));
      if (!model_.objects()[index].alive) return "select a deleted object: nothing)";
      model_.objects()[index].selected = !model_.objects()[index].selected;
      scene().SetSelected(handles_[index], model_.objects()[index].selected);
      return "toggle selection of " + model_.objects()[index].name + ")";
    }
    if (roll < 90) {
      const bool reference = Chance(0.5);
      const int index = Chance(0.15) ? -1 : Pick(static_cast<int>(handles_.size()));
      SetLink(reference ? ALIGN_REFERENCE : ALIGN_OBJECT, reference ? reference_ : single_, index);
      return std::string(reference ? "reference" : "single object") + " link -> " +
             (index < 0 ? std::string("empty") : model_.objects()[index].name) + ")";
    }
    return UndoOrRedo(roll < 96);
  }

  bool Oversized() const {
    for (size_t i = 0; i < handles_.size(); ++i) {
      if (!model_.objects()[i].alive) continue;
      const HostMatrix world = model_.World(static_cast<int>(i));
      for (int c = 0; c < 12; ++c)
        if (!(std::fabs(Components(world)[c]) <= kLargestComponent)) return true;
      for (const HostVector* axis : {&world.axisX, &world.axisY, &world.axisZ})
        if (!(std::fabs(axis->x) + std::fabs(axis->y) + std::fabs(axis->z) >= kSmallestAxis))
          return true;
      if (!(model_.Conditioning(static_cast<int>(i)) <= kWorstConditioning)) return true;
    }
    return false;
  }

  std::string Compare() {
    if (!stepProblem_.empty()) return stepProblem_;
    if (!plugin_.host.misuse().Empty()) return "misuse: " + MisuseText(plugin_.host);
    if (scene().UndoDepth(document_) != 0) return "an undo group is still open";
    if (scene().arrays().Live() != 0) return "an object array was not released";
    for (size_t i = 0; i < handles_.size(); ++i) {
      if (!model_.objects()[i].alive) continue;
      const int index = static_cast<int>(i);
      const HostMatrix actual = scene().WorldMatrix(handles_[i]);
      const HostMatrix expected = model_.World(index);
      const bool exact = model_.WorldExact(index);
      ++(exact ? exactComparisons_ : toleranceComparisons_);
      if (!Agree(actual, expected, exact, model_.Conditioning(index)))
        return model_.objects()[i].name + " is at " + MatrixText(actual) + ", expected " +
               MatrixText(expected) + (exact ? " exactly" : " within tolerance");
    }
    return {};
  }

  OpenPlugin& plugin_;
  std::mt19937_64 random_;
  HostDocument* document_ = nullptr;
  PlacementModel model_;
  std::vector<HostObject*> handles_;
  std::unordered_map<HostObject*, ObjectId> ghostIds_;
  AxisSettings settings_;
  int reference_ = -1;
  int single_ = -1;
  std::vector<Step> undo_, redo_;
  std::string stepProblem_;
  int scene_ = 0;
  int command_ = 0;
  int commands_ = 0;
  int actions_ = 0;
  long exactComparisons_ = 0;
  long toleranceComparisons_ = 0;
};

}  // namespace

CheckResult CheckRandomRun(const CheckContext& context) {
  OpenPlugin plugin(context);
  if (!plugin.Error().empty()) return CheckResult::Failed(plugin.Error());
  RandomRun run(plugin, context.seed);
  const int actions = kActionsPerRepeat * (context.repeat < 1 ? 1 : context.repeat);
  int scenes = 0;
  while (run.Actions() < actions) {
    const std::string problem = run.Scene(++scenes);
    if (!problem.empty()) {
      plugin.Close();
      return CheckResult::Failed("seed " + std::to_string(context.seed) + ", " + problem);
    }
  }
  std::vector<std::string> problems = plugin.Close();
  if (!problems.empty())
    return CheckResult::Failed("seed " + std::to_string(context.seed) + ": " + JoinLines(problems));
  return CheckResult::Passed(
      std::to_string(run.Actions()) + " actions (" + std::to_string(run.Commands()) +
      " commands) in " + std::to_string(scenes) +
      " random scenes placed every object where the model expects (" + run.ComparisonCounts() +
      "; seed " + std::to_string(context.seed) + ")");
}

}  // namespace khost::validator

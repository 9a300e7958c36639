#include "scene_in_host.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>

#include "host_values.h"
#include "input_error.h"
#include "placement_check.h"
#include "transform.h"

namespace kcommand {
namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;

bool IsOrigin(const Vector3& v) { return v[0] == 0 && v[1] == 0 && v[2] == 0; }

// Each step is one to one, so values that differ in one number always get another
// fingerprint; equal fingerprints of different values have a chance of one in 2^64.
class Fingerprint {
 public:
  void Add(const HostVector& v) {
    for (const double c : {v.x, v.y, v.z}) value_ = (value_ ^ std::bit_cast<uint64_t>(c)) * kPrime;
  }
  void Add(const HostMatrix& m) {
    for (const HostVector& v : {m.offset, m.axisX, m.axisY, m.axisZ}) Add(v);
  }
  uint64_t Value() const { return value_; }

 private:
  static constexpr uint64_t kPrime = 0x100000001b3;
  uint64_t value_ = 0xcbf29ce484222325;
};

uint64_t FingerprintOf(const HostMatrix& m) {
  Fingerprint fingerprint;
  fingerprint.Add(m);
  return fingerprint.Value();
}

// The axes of `m` applied to `v`: where `v` of m's frame lies from m's origin.
HostVector Turned(const HostMatrix& m, const Vector3& v) {
  return {m.axisX.x * v[0] + m.axisY.x * v[1] + m.axisZ.x * v[2],
          m.axisX.y * v[0] + m.axisY.y * v[1] + m.axisZ.y * v[2],
          m.axisX.z * v[0] + m.axisY.z * v[1] + m.axisZ.z * v[2]};
}

// The local offset of an object shown at its box centre `centre` under a parent shown
// at its own `parentCentre` (either may be none), and back.
HostVector ShiftedOffset(const HostMatrix& local, const Vector3* centre,
                         const Vector3* parentCentre) {
  HostVector offset = local.offset;
  if (centre) {
    const HostVector turned = Turned(local, *centre);
    offset = {offset.x + turned.x, offset.y + turned.y, offset.z + turned.z};
  }
  if (parentCentre)
    offset = {offset.x - (*parentCentre)[0], offset.y - (*parentCentre)[1],
              offset.z - (*parentCentre)[2]};
  return offset;
}
HostVector UnshiftedOffset(const HostMatrix& local, const Vector3* centre,
                           const Vector3* parentCentre) {
  HostVector offset = local.offset;
  if (parentCentre)
    offset = {offset.x + (*parentCentre)[0], offset.y + (*parentCentre)[1],
              offset.z + (*parentCentre)[2]};
  if (centre) {
    const HostVector turned = Turned(local, *centre);
    offset = {offset.x - turned.x, offset.y - turned.y, offset.z - turned.z};
  }
  return offset;
}

}  // namespace

SceneInHost::SceneInHost(khost::Scene& hostScene, SceneModel& scene, const std::string& fileName)
    : hostScene_(hostScene), scene_(scene) {
  document_ = hostScene_.NewDocument(fileName);
  firstId_ = hostScene_.ObjectsMade() + 1;
  WalkObjects(scene, [&](SceneObject& from, size_t, std::optional<size_t> parent) {
    HostObject* object =
        hostScene_.NewObject(document_, from.name, parent ? Object(*parent) : nullptr);
    if (const auto& m = from.localMatrix) {
      hostScene_.SetLocalMatrix(object, ToHost(*m));
    } else {
      hostScene_.SetScale(object, ToHost(from.scale));
      const Vector3& d = from.rotationDegrees;
      hostScene_.SetRotation(
          object, {d[0] * kRadiansPerDegree, d[1] * kRadiansPerDegree, d[2] * kRadiansPerDegree});
      hostScene_.SetPosition(object, ToHost(from.position));
    }
    hostScene_.SetHalfSizes(object, ToHost(from.halfSize));
    hostScene_.SetSelected(object, from.selected);
    ++count_;
    Present(object, from, parent);
  });
  for (size_t i = 0; i < count_; ++i) {
    if (!IsFinite(hostScene_.WorldMatrix(Object(i))))
      throw InputError(fileName + ": " + SourceOf(scene, Entries(), i) + ": object '" +
                       Entries()[i].path +
                       "' ends up with a world matrix that is not finite (position or scale "
                       "too large along its parents)");
  }
}

const Vector3* SceneInHost::ShownCentre(const SceneObject& object) const {
  if (scene_.boxes != BoxPlacement::kGeometry || !object.boxCentre || IsOrigin(*object.boxCentre))
    return nullptr;
  return &*object.boxCentre;
}

void SceneInHost::Present(HostObject* object, SceneObject& from, std::optional<size_t> parent) {
  const size_t index = count_ - 1;
  const Vector3* centre = ShownCentre(from);
  const Vector3* parentCentre = parent ? PresentedCentre(*parent) : nullptr;
  const bool enlarged =
      scene_.boxes == BoxPlacement::kOrigin && from.boxCentre && !IsOrigin(*from.boxCentre);
  if (!centre && !parentCentre && !enlarged) return;
  Presented& shown = presented_.emplace_back(
      Presented{index, &from, parent ? *parent : kNoParent, 0, centre || parentCentre});
  if (enlarged) {
    // The smallest box about the origin that holds the geometry's box.
    const Vector3& c = *from.boxCentre;
    hostScene_.SetHalfSizes(object,
                            {std::fabs(c[0]) + from.halfSize[0], std::fabs(c[1]) + from.halfSize[1],
                             std::fabs(c[2]) + from.halfSize[2]});
  }
  HostMatrix local = hostScene_.LocalMatrix(object);
  if (shown.shifted) {
    local.offset = ShiftedOffset(local, centre, parentCentre);
    hostScene_.SetPosition(object, local.offset);
  }
  shown.asBuilt = FingerprintOf(local);
}

const Vector3* SceneInHost::PresentedCentre(size_t index) const {
  const auto found =
      std::lower_bound(presented_.begin(), presented_.end(), index,
                       [](const Presented& shown, size_t wanted) { return shown.index < wanted; });
  return found != presented_.end() && found->index == index ? ShownCentre(*found->object) : nullptr;
}

const std::vector<ObjectEntry>& SceneInHost::Entries() const {
  std::call_once(listed_, [this] { entries_ = ListObjects(scene_); });
  return entries_;
}

std::vector<HostPlacement> SceneInHost::Placements() const {
  std::vector<HostPlacement> placements;
  placements.reserve(count_);
  for (size_t i = 0; i < count_; ++i) placements.push_back(Placement(i));
  return placements;
}

HostPlacement SceneInHost::Placement(size_t index) const {
  return {hostScene_.WorldMatrix(Object(index)), hostScene_.HalfSizes(Object(index))};
}

namespace {

uint64_t PlacementFingerprint(khost::Scene& hostScene, HostObject* object) {
  Fingerprint fingerprint;
  fingerprint.Add(hostScene.WorldMatrix(object));
  fingerprint.Add(hostScene.HalfSizes(object));
  return fingerprint.Value();
}

}  // namespace

std::vector<uint64_t> SceneInHost::PlacementFingerprints() const {
  std::vector<uint64_t> fingerprints;
  fingerprints.reserve(count_);
  for (size_t i = 0; i < count_; ++i)
    fingerprints.push_back(PlacementFingerprint(hostScene_, Object(i)));
  return fingerprints;
}

size_t SceneInHost::CountMoved(const std::vector<uint64_t>& before) const {
  // One at a time: a second list of a million fingerprints would be held at the peak.
  size_t moved = 0;
  for (size_t i = 0; i < count_; ++i)
    moved += PlacementFingerprint(hostScene_, Object(i)) != before[i] ? 1 : 0;
  return moved;
}

std::vector<size_t> SceneInHost::WithoutFinitePlacement() const {
  std::vector<size_t> found;
  for (size_t i = 0; i < count_; ++i)
    if (!PlacementIsFinite(hostScene_, Object(i))) found.push_back(i);
  return found;
}

void SceneInHost::ReadBack() {
  auto shown = presented_.begin();
  WalkObjects(scene_, [&](SceneObject& to, size_t i, std::optional<size_t>) {
    HostObject* object = Object(i);
    to.selected = hostScene_.Selected(object);
    const Presented* presented = nullptr;
    if (shown != presented_.end() && shown->index == i) presented = &*shown++;
    if (!presented) to.halfSize = FromHost(hostScene_.HalfSizes(object));
    HostMatrix local = hostScene_.LocalMatrix(object);
    if (presented && presented->shifted) {
      if (FingerprintOf(local) == presented->asBuilt) {
        // Where it was built (never moved, or undone): the values as read, not the shift
        // taken out again to the last bit.
        if (const auto kept = asRead_.find(i); kept != asRead_.end()) {
          to.position = kept->second.position;
          to.rotationDegrees = kept->second.rotationDegrees;
          to.scale = kept->second.scale;
          to.localMatrix = std::move(kept->second.localMatrix);
          asRead_.erase(kept);
        }
        return;
      }
      if (keepAsRead_)
        asRead_.try_emplace(i, AsRead{to.position, to.rotationDegrees, to.scale, to.localMatrix});
      const size_t parent = presented->parent;
      local.offset = UnshiftedOffset(local, ShownCentre(to),
                                     parent != kNoParent ? PresentedCentre(parent) : nullptr);
    }
    to.position = FromHost(local.offset);
    const HostVector r = hostScene_.Rotation(object);
    to.rotationDegrees = {r.x / kRadiansPerDegree, r.y / kRadiansPerDegree,
                          r.z / kRadiansPerDegree};
    to.scale = FromHost(hostScene_.Scale(object));
    if (to.localMatrix) to.localMatrix = FromHost(local);
  });
}

bool SamePlacement(const HostPlacement& a, const HostPlacement& b) {
  return kestrum::SameBits(a.world, b.world) && kestrum::SameBits(a.halfSizes, b.halfSizes);
}

}  // namespace kcommand

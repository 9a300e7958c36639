#include "scene_in_host.h"

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

}  // namespace

SceneInHost::SceneInHost(khost::Scene& hostScene, SceneFile& scene, const std::string& fileName)
    : hostScene_(hostScene), scene_(scene) {
  document_ = hostScene_.NewDocument(fileName);
  const size_t count = CountObjects(scene);
  objects_.reserve(count);
  sceneObjects_.reserve(count);
  WalkObjects(scene, [&](SceneObject& from, size_t, std::optional<size_t> parent) {
    HostObject* object =
        hostScene_.NewObject(document_, from.name, parent ? objects_[*parent] : nullptr);
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
    objects_.push_back(object);
    sceneObjects_.push_back(&from);
  });
  for (size_t i = 0; i < objects_.size(); ++i) {
    if (!IsFinite(hostScene_.WorldMatrix(objects_[i])))
      throw InputError(fileName + ": " + sceneObjects_[i]->source + ": object '" +
                       Entries()[i].path +
                       "' ends up with a world matrix that is not finite (position or scale "
                       "too large along its parents)");
  }
}

const std::vector<ObjectEntry>& SceneInHost::Entries() const {
  std::call_once(listed_, [this] { entries_ = ListObjects(scene_); });
  return entries_;
}

std::vector<HostPlacement> SceneInHost::Placements() const {
  std::vector<HostPlacement> placements;
  placements.reserve(objects_.size());
  for (HostObject* object : objects_)
    placements.push_back({hostScene_.WorldMatrix(object), hostScene_.HalfSizes(object)});
  return placements;
}

std::vector<uint64_t> SceneInHost::PlacementFingerprints() const {
  std::vector<uint64_t> fingerprints;
  fingerprints.reserve(objects_.size());
  for (HostObject* object : objects_) {
    const HostMatrix world = hostScene_.WorldMatrix(object);
    const HostVector half = hostScene_.HalfSizes(object);
    // Each step is one to one, so a placement that differs in one number always gets
    // another fingerprint.
    uint64_t fingerprint = 0xcbf29ce484222325;
    for (const HostVector& v : {world.offset, world.axisX, world.axisY, world.axisZ, half})
      for (const double c : {v.x, v.y, v.z})
        fingerprint = (fingerprint ^ std::bit_cast<uint64_t>(c)) * 0x100000001b3;
    fingerprints.push_back(fingerprint);
  }
  return fingerprints;
}

size_t SceneInHost::CountMoved(const std::vector<uint64_t>& before) const {
  const std::vector<uint64_t> now = PlacementFingerprints();
  size_t moved = 0;
  for (size_t i = 0; i < now.size(); ++i) moved += now[i] != before[i] ? 1 : 0;
  return moved;
}

std::vector<size_t> SceneInHost::WithoutFinitePlacement() const {
  std::vector<size_t> found;
  for (size_t i = 0; i < objects_.size(); ++i)
    if (!PlacementIsFinite(hostScene_, objects_[i])) found.push_back(i);
  return found;
}

void SceneInHost::ReadBack() {
  for (size_t i = 0; i < objects_.size(); ++i) {
    SceneObject& to = *sceneObjects_[i];
    HostObject* object = objects_[i];
    to.position = FromHost(hostScene_.Position(object));
    const HostVector r = hostScene_.Rotation(object);
    to.rotationDegrees = {r.x / kRadiansPerDegree, r.y / kRadiansPerDegree,
                          r.z / kRadiansPerDegree};
    to.scale = FromHost(hostScene_.Scale(object));
    to.halfSize = FromHost(hostScene_.HalfSizes(object));
    to.selected = hostScene_.Selected(object);
    if (to.localMatrix) {
      const HostMatrix m = hostScene_.LocalMatrix(object);
      to.localMatrix = FromHost(m);
    }
  }
}

bool SamePlacement(const HostPlacement& a, const HostPlacement& b) {
  return khost::SameBits(a.world, b.world) && khost::SameBits(a.halfSizes, b.halfSizes);
}

}  // namespace kcommand

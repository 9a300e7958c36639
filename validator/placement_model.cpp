#include "placement_model.h"

#include <algorithm>
#include <cmath>

#include "kestrum_axis_ids.h"

namespace khost::validator {
namespace {

constexpr double HostVector::*kComponents[3] = {&HostVector::x, &HostVector::y, &HostVector::z};
enum ModeIndex { kNone, kPlus, kCenter, kMinus };

HostVector Apply(const HostMatrix& a, const HostVector& d) {
  return {a.axisX.x * d.x + a.axisY.x * d.y + a.axisZ.x * d.z,
          a.axisX.y * d.x + a.axisY.y * d.y + a.axisZ.y * d.z,
          a.axisX.z * d.x + a.axisY.z * d.y + a.axisZ.z * d.z};
}

double Length(const HostVector& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

}  // namespace

HostMatrix ModelProduct(const HostMatrix& a, const HostMatrix& b) {
  HostMatrix r;
  const HostVector& p = b.offset;
  r.offset.x = a.axisX.x * p.x + a.offset.x + a.axisY.x * p.y + a.axisZ.x * p.z;
  r.offset.y = a.axisX.y * p.x + a.offset.y + a.axisY.y * p.y + a.axisZ.y * p.z;
  r.offset.z = a.axisX.z * p.x + a.offset.z + a.axisY.z * p.y + a.axisZ.z * p.z;
  r.axisX = Apply(a, b.axisX);
  r.axisY = Apply(a, b.axisY);
  r.axisZ = Apply(a, b.axisZ);
  return r;
}

bool ModelInvert(const HostMatrix& m, HostMatrix* inverse) {
  // Columns a, b, c of the linear part; rows of the inverse are b x c, c x a, a x b
  // over the determinant.
  const HostVector& a = m.axisX;
  const HostVector& b = m.axisY;
  const HostVector& c = m.axisZ;
  const HostVector bc{b.y * c.z - b.z * c.y, b.z * c.x - b.x * c.z, b.x * c.y - b.y * c.x};
  const HostVector ca{c.y * a.z - c.z * a.y, c.z * a.x - c.x * a.z, c.x * a.y - c.y * a.x};
  const HostVector ab{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
  const double determinant = a.x * bc.x + a.y * bc.y + a.z * bc.z;
  if (determinant == 0.0 || !std::isfinite(determinant)) return false;
  HostMatrix r;
  r.axisX = {bc.x / determinant, ca.x / determinant, ab.x / determinant};
  r.axisY = {bc.y / determinant, ca.y / determinant, ab.y / determinant};
  r.axisZ = {bc.z / determinant, ca.z / determinant, ab.z / determinant};
  const HostVector moved = Apply(r, m.offset);
  r.offset = {-moved.x, -moved.y, -moved.z};
  *inverse = r;
  return true;
}

int PlacementModel::Add(ModelObject object) {
  objects_.push_back(std::move(object));
  return static_cast<int>(objects_.size()) - 1;
}

HostMatrix PlacementModel::World(int index) const {
  const ModelObject& object = objects_[index];
  if (object.parent < 0) return object.local;
  return ModelProduct(World(object.parent), object.local);
}

bool PlacementModel::WorldExact(int index) const {
  for (int at = index; at >= 0; at = objects_[at].parent)
    if (!objects_[at].exactLocal) return false;
  return true;
}

double PlacementModel::Conditioning(int index) const {
  const auto frobenius = [](const HostMatrix& m) {
    double sum = 0.0;
    for (const HostVector* axis : {&m.axisX, &m.axisY, &m.axisZ})
      sum += axis->x * axis->x + axis->y * axis->y + axis->z * axis->z;
    return std::sqrt(sum);
  };
  double worst = 1.0;
  for (int at = index; at >= 0; at = objects_[at].parent) {
    const HostMatrix world = World(at);
    HostMatrix inverse;
    if (!ModelInvert(world, &inverse)) return HUGE_VAL;
    // Frobenius norms overstate the 2-norm condition by up to a factor 3 in 3 dimensions.
    worst = std::max(worst, frobenius(world) * frobenius(inverse) / 3.0);
  }
  return worst;
}

std::vector<int> PlacementModel::DocumentOrder() const {
  std::vector<int> order;
  // Parents always come before their children in objects_, so a walk from each
  // top-level object visits children in the order they were added.
  struct Walker {
    const std::vector<ModelObject>& objects;
    std::vector<int>& order;
    void Visit(int index) {
      order.push_back(index);
      for (int child = 0; child < static_cast<int>(objects.size()); ++child)
        if (objects[child].parent == index && objects[child].alive) Visit(child);
    }
  } walker{objects_, order};
  for (int index = 0; index < static_cast<int>(objects_.size()); ++index)
    if (objects_[index].parent < 0 && objects_[index].alive) walker.Visit(index);
  return order;
}

std::vector<int> PlacementModel::SelectedInOrder() const {
  std::vector<int> selected;
  for (int index : DocumentOrder())
    if (objects_[index].selected) selected.push_back(index);
  return selected;
}

void PlacementModel::Delete(int index) {
  objects_[index].alive = false;
  for (int child = 0; child < static_cast<int>(objects_.size()); ++child)
    if (objects_[child].parent == index && objects_[child].alive) Delete(child);
}

bool PlacementModel::Changes(const AxisSettings& settings) {
  for (int axis = 0; axis < 3; ++axis)
    if (settings.mode[axis] != kKestrumAxes[axis].modes[kNone]) return true;
  return false;
}

void PlacementModel::Align(int moved, int reference, const AxisSettings& settings) {
  if (!Changes(settings)) return;
  ModelObject& m = objects_[moved];
  const ModelObject& r = objects_[reference];
  const bool positionsExact = m.exactLocal && r.exactLocal;
  HostVector position{m.local.offset.x - r.local.offset.x, m.local.offset.y - r.local.offset.y,
                      m.local.offset.z - r.local.offset.z};
  bool positionSet = false;
  bool fromPositionsOnly = false;  // some axis kept the difference of the positions
  for (int axis = 0; axis < 3; ++axis) {
    const KestrumAxisIds& ids = kKestrumAxes[axis];
    const int32_t mode = settings.mode[axis];
    const double rr = r.halfSizes.*kComponents[axis];
    const double rm = m.halfSizes.*kComponents[axis];
    const bool inside = settings.side[axis] == ids.inside;
    double& value = position.*kComponents[axis];
    if (mode == ids.modes[kPlus]) {
      value = inside ? rr - rm : rr + rm;
    } else if (mode == ids.modes[kCenter]) {
      value = 0.0;
    } else if (mode == ids.modes[kMinus]) {
      value = 0.0 - (inside ? rr - rm : rr + rm);
    } else {
      fromPositionsOnly = true;
      continue;
    }
    positionSet = true;
  }
  // Position (when some axis set it), then rotation cleared: the axes are the scale.
  bool localExact = m.exactLocal;
  if (positionSet) {
    m.local.offset = position;
    localExact = !fromPositionsOnly || positionsExact;
  }
  m.local.axisX = {m.scale.x, 0, 0};
  m.local.axisY = {0, m.scale.y, 0};
  m.local.axisZ = {0, 0, m.scale.z};
  m.exactLocal = localExact && m.exactScale;

  // Both world matrices are read after that change: the reference may sit below the
  // moved object, or be the moved object itself.
  const HostMatrix product = ModelProduct(World(reference), World(moved));
  const bool productExact = WorldExact(reference) && WorldExact(moved);
  ModelObject& target = objects_[moved];
  if (target.parent < 0) {
    target.local = product;
    target.exactLocal = productExact;
  } else {
    HostMatrix parentInverse;
    if (ModelInvert(World(target.parent), &parentInverse))
      target.local = ModelProduct(parentInverse, product);
    target.exactLocal = false;
  }
  target.scale = {Length(target.local.axisX), Length(target.local.axisY),
                  Length(target.local.axisZ)};
  target.exactScale = false;
}

}  // namespace khost::validator

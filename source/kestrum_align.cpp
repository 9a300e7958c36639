// The alignment commands: every selected object (10001) or the single linked object
// (701, 704) is placed against the reference object's bounding box, axis by axis, in
// one undo step. Positions, half sizes and matrices are fetched again each time a
// formula uses them, never kept: hosts rely on this fixed sequence of calls.

#include "c4d_host_calls.h"
#include "kestrum_commands.h"
#include "kestrum_settings.h"

namespace {

constexpr int32_t kUndoKind = kUndoKindChange;

// The ids that steer one axis.
struct AxisIds {
  double Vector::*component;
  int32_t none, plus, center, minus;
  int32_t side, inside;
};

constexpr AxisIds kAxisX{&Vector::x,          ALIGN_X_MODE_NONE,  ALIGN_X_MODE_PLUS,
                         ALIGN_X_MODE_CENTER, ALIGN_X_MODE_MINUS, ALIGN_X_SIDE,
                         ALIGN_X_SIDE_INSIDE};
constexpr AxisIds kAxisY{&Vector::y,          ALIGN_Y_MODE_NONE,  ALIGN_Y_MODE_PLUS,
                         ALIGN_Y_MODE_CENTER, ALIGN_Y_MODE_MINUS, ALIGN_Y_SIDE,
                         ALIGN_Y_SIDE_INSIDE};
constexpr AxisIds kAxisZ{&Vector::z,          ALIGN_Z_MODE_NONE,  ALIGN_Z_MODE_PLUS,
                         ALIGN_Z_MODE_CENTER, ALIGN_Z_MODE_MINUS, ALIGN_Z_SIDE,
                         ALIGN_Z_SIDE_INSIDE};

Vector Position(HostObject* object) {
  Vector position{Unset{}};
  ObjectGetPosition(object, &position);
  return position;
}

double HalfSize(HostObject* object, double Vector::*component) {
  Vector radius{Unset{}};
  ObjectGetBoxRadius(object, &radius);
  return radius.*component;
}

// The reference's half size along the axis with the moved object's added (outside) or
// taken away (inside); the reference's is fetched first.
double FaceDistance(AlignmentFrame& frame, HostObject* moved, const AxisIds& axis) {
  const bool inside = ContainerGetInt(frame.container, axis.side, 0) == axis.inside;
  const double referenceHalf = HalfSize(frame.reference, axis.component);
  const double movedHalf = HalfSize(moved, axis.component);
  return inside ? referenceHalf - movedHalf : referenceHalf + movedHalf;
}

void AlignAxis(AlignmentFrame& frame, HostObject* moved, int32_t mode, const AxisIds& axis) {
  double& offset = frame.positionVector.*axis.component;
  if (mode == axis.none) return;
  // Every other value counts as handled, also one the axis does not know.
  frame.changed = true;
  if (mode == axis.plus) {
    offset = FaceDistance(frame, moved, axis);
  } else if (mode == axis.center) {
    offset = 0.0;
  } else if (mode == axis.minus) {
    // Subtracting from zero, not negating, so a zero distance stays +0, never -0.
    offset = 0.0 - FaceDistance(frame, moved, axis);
  } else {
    return;
  }
  ObjectSetPosition(moved, &frame.positionVector);
}

void AlignObject(AlignmentFrame& frame, HostObject* moved) {
  frame.positionVector.x = Position(moved).x - Position(frame.reference).x;
  frame.positionVector.y = Position(moved).y - Position(frame.reference).y;
  frame.positionVector.z = Position(moved).z - Position(frame.reference).z;

  AlignAxis(frame, moved, frame.modeX, kAxisX);
  AlignAxis(frame, moved, frame.modeY, kAxisY);
  AlignAxis(frame, moved, frame.modeZ, kAxisZ);
  if (!frame.changed) return;

  const Vector noRotation;
  ObjectSetRotation(moved, &noRotation);
  ObjectGetGlobalMatrix(moved, &frame.matrixMoveable);
  ObjectGetGlobalMatrix(frame.reference, &frame.matrixFixed);
  // Takes the moved object into the reference object's frame.
  frame.matrixMoveable = frame.matrixFixed * frame.matrixMoveable;
  ObjectSetGlobalMatrix(moved, &frame.matrixMoveable);
  ObjectSendMessage(moved, kObjectMessageChanged, nullptr);
  ObjectSendMessage(moved, kObjectMessageUpdated, nullptr);
}

// Records every entry for undo, in index order; stops at the first refusal.
bool RecordUndoForArray(HostDocument* document, HostObjectArray* array, int32_t kind) {
  for (int32_t index = 0; index < ObjectArrayCount(array); ++index)
    if (!DocumentAddUndo(document, kind, ObjectArrayGet(array, index))) return false;
  return true;
}

}  // namespace

void AlignSelected(AlignmentFrame& frame) {
  if (frame.reference == nullptr) return;
  DocumentGetSelectedObjects(frame.document, frame.selection, 0);
  DocumentBeginUndo(frame.document);
  // Every object is aligned even when the host stops taking undo records.
  RecordUndoForArray(frame.document, frame.selection, kUndoKind);
  for (int32_t index = 0; index < ObjectArrayCount(frame.selection); ++index) {
    HostObject* moved = ObjectArrayGet(frame.selection, index);
    if (moved == nullptr) break;
    AlignObject(frame, moved);
  }
  HostUpdateViews(kViewUpdateAll, 0);
  DocumentEndUndo(frame.document);
}

void AlignSingle(AlignmentFrame& frame) {
  if (frame.reference == nullptr || frame.single == nullptr) return;
  DocumentBeginUndo(frame.document);
  DocumentAddUndo(frame.document, kUndoKind, frame.single);
  AlignObject(frame, frame.single);
  if (frame.changed) HostUpdateViews(kViewUpdateAll, 0);
  DocumentEndUndo(frame.document);
}

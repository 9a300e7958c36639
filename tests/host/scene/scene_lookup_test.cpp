// The fast paths behind the scene's host operations: handle checks across many
// chunks, the cached selection, settings and array lookups after the thing they cached
// is gone, rotation and scale read after a matrix was set, and reused undo storage.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "containers.h"
#include "host.h"
#include "host_operations.h"
#include "scene.h"

namespace khost {
namespace {

class SceneLookups : public testing::Test {
 protected:
  Host host;
  Scene& scene = host.scene();
  HostDocument* document = scene.NewDocument("lookups");

  std::vector<HostObject*> MakeObjects(size_t count) {
    std::vector<HostObject*> objects;
    for (size_t i = 0; i < count; ++i)
      objects.push_back(scene.NewObject(document, "o" + std::to_string(i)));
    return objects;
  }
};

TEST_F(SceneLookups, EveryHandleIsKnownAcrossChunkBoundariesInAnyOrder) {
  // Chunks hold 1024, 2048 and 4096 objects first: 3080 objects reach the third.
  const std::vector<HostObject*> objects = MakeObjects(3080);
  // Ids count from 1 in the order of creation.
  for (size_t index :
       {size_t{0}, size_t{1023}, size_t{1024}, size_t{3071}, size_t{3072}, size_t{3079}}) {
    EXPECT_EQ(index + 1, scene.IdOf(objects[index])) << index;
    EXPECT_EQ(objects[index], scene.FindLiveObject(document, index + 1, kObjectKindObject));
  }
  EXPECT_EQ(nullptr, scene.FindLiveObject(document, 3081, kObjectKindObject));
  // Three chunks in turn, so the two cached chunks keep being replaced.
  for (int round = 0; round < 3; ++round)
    for (size_t index : {size_t{5}, size_t{2000}, size_t{3075}, size_t{1024}, size_t{0}})
      ASSERT_EQ(index + 1, scene.IdOf(objects[index])) << index;
}

TEST_F(SceneLookups, AddressesThatAreNotRecordsAreRefused) {
  const std::vector<HostObject*> objects = MakeObjects(3);
  HostVector out{};
  // A cached chunk first, so the refusals below go through the fast path too.
  host_ops::ObjectGetPosition(objects[1], &out);
  ASSERT_TRUE(host.misuse().Empty());

  auto* inside = reinterpret_cast<HostObject*>(reinterpret_cast<char*>(objects[1]) + 8);
  // Records sit side by side: the next one is as far beyond the last as the last is
  // beyond the one before it. It is within the chunk's room but was never made.
  auto* last = reinterpret_cast<char*>(objects[2]);
  auto* beyondLast =
      reinterpret_cast<HostObject*>(last + (last - reinterpret_cast<char*>(objects[1])));
  HostVector foreign{};
  for (HostObject* bad : {inside, beyondLast, reinterpret_cast<HostObject*>(&foreign)}) {
    host.misuse().Clear();
    EXPECT_FALSE(scene.IsAlive(bad));
    EXPECT_EQ(0u, scene.IdOf(bad));
    host_ops::ObjectGetPosition(bad, &out);
    EXPECT_TRUE(host.misuse().Mentions("ObjectGetPosition: not an object of this host"));
  }
  // A record made later in the same chunk is accepted at once.
  HostObject* later = scene.NewObject(document, "later");
  EXPECT_EQ(beyondLast, later);
  EXPECT_TRUE(scene.IsAlive(later));
}

TEST_F(SceneLookups, TheSelectionFollowsEveryChangeAfterItWasRead) {
  const std::vector<HostObject*> o = MakeObjects(4);
  std::vector<HostObject*> selection;
  scene.SetSelected(o[2], true);
  scene.SetSelected(o[0], true);
  selection = *scene.SelectedObjects(document);
  EXPECT_EQ((std::vector<HostObject*>{o[0], o[2]}), selection);

  scene.SetSelected(o[0], false);
  selection = *scene.SelectedObjects(document);
  EXPECT_EQ((std::vector<HostObject*>{o[2]}), selection);

  HostObject* child = scene.NewObject(document, "child", o[1]);
  scene.SetSelected(child, true);
  selection = *scene.SelectedObjects(document);
  EXPECT_EQ((std::vector<HostObject*>{child, o[2]}), selection) << "document order";

  scene.DeleteObject(o[1]);
  selection = *scene.SelectedObjects(document);
  EXPECT_EQ((std::vector<HostObject*>{o[2]}), selection);

  // Undo brings a selection state back.
  scene.BeginUndo(document);
  ASSERT_TRUE(scene.AddUndo(document, kUndoKindChange, o[3]));
  scene.EndUndo(document);
  scene.SetSelected(o[3], true);
  selection = *scene.SelectedObjects(document);
  EXPECT_EQ((std::vector<HostObject*>{o[2], o[3]}), selection);
  ASSERT_TRUE(scene.Undo(document));
  selection = *scene.SelectedObjects(document);
  EXPECT_EQ((std::vector<HostObject*>{o[2]}), selection);
}

TEST_F(SceneLookups, AnArrayEntryDeletedAfterTheArrayWasFilledIsRefused) {
  const std::vector<HostObject*> o = MakeObjects(3);
  for (HostObject* object : o) scene.SetSelected(object, true);
  HostObjectArray* array = host_ops::ObjectArrayNew();
  host_ops::DocumentGetSelectedObjects(document, array, 0);
  HostVector out{};
  // Entries handed out while nothing was deleted are taken as live without a lookup.
  host_ops::ObjectGetPosition(host_ops::ObjectArrayGet(array, 0), &out);
  ASSERT_TRUE(host.misuse().Empty());
  scene.DeleteObject(o[1]);
  host_ops::ObjectGetPosition(host_ops::ObjectArrayGet(array, 1), &out);
  EXPECT_TRUE(host.misuse().Mentions("ObjectGetPosition: the object \"o1\" was deleted"));
  host.misuse().Clear();
  host_ops::ObjectGetPosition(host_ops::ObjectArrayGet(array, 2), &out);
  EXPECT_TRUE(host.misuse().Empty());
  host_ops::ObjectArrayFree(&array);
}

TEST_F(SceneLookups, RotationAndScaleAreReadFromAMatrixThatWasSet) {
  HostObject* object = MakeObjects(1)[0];
  // A quarter turn about Z with scale (2, 3, 4): X goes to +Y, Y to -X.
  const HostMatrix world{HostVector{1.0, 2.0, 3.0}, HostVector{0.0, 2.0, 0.0},
                         HostVector{-3.0, 0.0, 0.0}, HostVector{0.0, 0.0, 4.0}};
  ASSERT_TRUE(scene.SetWorldMatrix(object, world));
  const HostVector rotation = scene.Rotation(object);
  const HostVector scale = scene.Scale(object);
  EXPECT_NEAR(0.0, rotation.x, 1e-15);
  EXPECT_NEAR(0.0, rotation.y, 1e-15);
  EXPECT_NEAR(std::numbers::pi / 2, rotation.z, 1e-15);
  EXPECT_EQ(2.0, scale.x);
  EXPECT_EQ(3.0, scale.y);
  EXPECT_EQ(4.0, scale.z);

  // Clearing the rotation keeps the scale the matrix had.
  scene.SetRotation(object, HostVector{0.0, 0.0, 0.0});
  const HostMatrix local = scene.LocalMatrix(object);
  EXPECT_EQ(2.0, local.axisX.x);
  EXPECT_EQ(3.0, local.axisY.y);
  EXPECT_EQ(4.0, local.axisZ.z);
  EXPECT_EQ(0.0, local.axisX.y);
  EXPECT_EQ(1.0, local.offset.x);
}

TEST_F(SceneLookups, ClearedHistoryIsGoneAndItsStorageServesTheNextSteps) {
  HostObject* object = MakeObjects(1)[0];
  for (double x : {1.0, 2.0}) {
    scene.BeginUndo(document);
    ASSERT_TRUE(scene.AddUndo(document, kUndoKindChange, object));
    scene.EndUndo(document);
    scene.SetPosition(object, HostVector{x, 0.0, 0.0});
  }
  ASSERT_TRUE(scene.Undo(document));
  ASSERT_EQ(1u, scene.UndoSteps(document));
  ASSERT_EQ(1u, scene.RedoSteps(document));
  scene.ClearUndoHistory(document);
  EXPECT_EQ(0u, scene.UndoSteps(document));
  EXPECT_EQ(0u, scene.RedoSteps(document));
  EXPECT_FALSE(scene.Undo(document));
  EXPECT_EQ(1.0, scene.Position(object).x);

  // Steps recorded afterwards undo and redo as before.
  scene.BeginUndo(document);
  ASSERT_TRUE(scene.AddUndo(document, kUndoKindChange, object));
  scene.EndUndo(document);
  scene.SetPosition(object, HostVector{5.0, 0.0, 0.0});
  ASSERT_TRUE(scene.Undo(document));
  EXPECT_EQ(1.0, scene.Position(object).x);
  ASSERT_TRUE(scene.Redo(document));
  EXPECT_EQ(5.0, scene.Position(object).x);
  ASSERT_TRUE(scene.Undo(document));
  EXPECT_EQ(1.0, scene.Position(object).x);
}

TEST_F(SceneLookups, ClearingKeepsAnOpenGroup) {
  HostObject* object = MakeObjects(1)[0];
  scene.BeginUndo(document);
  ASSERT_TRUE(scene.AddUndo(document, kUndoKindChange, object));
  scene.ClearUndoHistory(document);
  scene.SetPosition(object, HostVector{3.0, 0.0, 0.0});
  scene.EndUndo(document);
  EXPECT_EQ(1u, scene.UndoSteps(document));
  ASSERT_TRUE(scene.Undo(document));
  EXPECT_EQ(0.0, scene.Position(object).x);
}

TEST_F(SceneLookups, ArraysAndContainersFoundLastAreRefusedOnceFreed) {
  HostObjectArray* array = host_ops::ObjectArrayNew();
  EXPECT_EQ(0, host_ops::ObjectArrayCount(array));
  HostObjectArray* holder = array;
  host_ops::ObjectArrayFree(&holder);
  ASSERT_TRUE(host.misuse().Empty());
  EXPECT_EQ(0, host_ops::ObjectArrayCount(array));
  EXPECT_TRUE(host.misuse().Mentions("ObjectArrayCount: the array is unknown"));

  host.misuse().Clear();
  Containers& containers = host.containers();
  HostContainer* settings = containers.Create();
  containers.SetInt(settings, 10004, 10006);
  EXPECT_EQ(10006, host_ops::ContainerGetInt(settings, 10004, 0));
  containers.Destroy(settings);
  EXPECT_EQ(-1, host_ops::ContainerGetInt(settings, 10004, -1));
  EXPECT_TRUE(host.misuse().Mentions("ContainerGetInt: not a live settings container"));
}

TEST_F(SceneLookups, SettingsKeepOneEntryPerIdInIdOrder) {
  Containers& containers = host.containers();
  HostContainer* settings = containers.Create();
  containers.SetInt(settings, 10020, 1);
  containers.SetInt(settings, 701, 2);
  containers.SetBool(settings, 10004, true);
  containers.SetInt(settings, 10020, 3);  // replaces
  containers.Remove(settings, 701);
  containers.Remove(settings, 999);  // absent: nothing happens
  const auto entries = containers.Entries(settings);
  ASSERT_EQ(2u, entries.size());
  EXPECT_EQ(Containers::Kind::kBool, entries.at(10004).kind);
  EXPECT_EQ(3, entries.at(10020).integer);
  EXPECT_EQ(1, containers.GetInt(settings, 10004, 0));
  EXPECT_EQ(7, containers.GetInt(settings, 701, 7));
  containers.Destroy(settings);
  EXPECT_TRUE(host.misuse().Empty());
}

TEST_F(SceneLookups, EverySettingIsFoundAndNoOtherWhateverHowMany) {
  Containers& containers = host.containers();
  for (int32_t stored = 0; stored <= 9; ++stored) {
    HostContainer* settings = containers.Create();
    // Ids 10, 20, ..., inserted backwards; value = id + 1.
    for (int32_t i = stored; i >= 1; --i) containers.SetInt(settings, i * 10, i * 10 + 1);
    for (int32_t id = 0; id <= 105; ++id) {
      const bool present = id % 10 == 0 && id >= 10 && id <= stored * 10;
      ASSERT_EQ(present ? id + 1 : -7, containers.GetInt(settings, id, -7))
          << stored << " stored, id " << id;
    }
    containers.Destroy(settings);
  }
  EXPECT_TRUE(host.misuse().Empty());
}

}  // namespace
}  // namespace khost

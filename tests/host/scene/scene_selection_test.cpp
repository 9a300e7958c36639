// Object arrays, the selection in document order, object messages, and resolving
// object links by id.
#include <gtest/gtest.h>

#include <vector>

#include "host.h"
#include "host_operations.h"
#include "scene.h"

namespace khost {
namespace {

class SceneSelection : public testing::Test {
 protected:
  Host host;
  Scene& scene = host.scene();
  HostDocument* document = scene.NewDocument("Selection");

  std::vector<HostObject*> Entries(HostObjectArray* array) {
    std::vector<HostObject*> entries;
    const int32_t count = host_ops::ObjectArrayCount(array);
    for (int32_t i = 0; i < count; ++i) entries.push_back(host_ops::ObjectArrayGet(array, i));
    return entries;
  }
};

TEST_F(SceneSelection, ArraysCountGetAndAreFreedOnce) {
  HostObjectArray* array = host_ops::ObjectArrayNew();
  EXPECT_EQ(scene.arrays().Live(), 1u);
  EXPECT_EQ(host_ops::ObjectArrayCount(array), 0);
  HostObject* cube = scene.NewObject(document, "Cube");
  scene.SetSelected(cube, true);
  host_ops::DocumentGetSelectedObjects(document, array, 0);
  EXPECT_EQ(host_ops::ObjectArrayCount(array), 1);
  EXPECT_EQ(host_ops::ObjectArrayGet(array, 0), cube);
  EXPECT_EQ(host_ops::ObjectArrayGet(array, 1), nullptr);
  EXPECT_EQ(host_ops::ObjectArrayGet(array, -1), nullptr);
  EXPECT_TRUE(host.misuse().Empty());

  HostObjectArray* holder = array;
  host_ops::ObjectArrayFree(&holder);
  EXPECT_EQ(scene.arrays().Live(), 0u);
  EXPECT_TRUE(host.misuse().Empty());
  host_ops::ObjectArrayFree(&holder);
  EXPECT_TRUE(host.misuse().Mentions("ObjectArrayFree: the array is unknown or was already freed"));
  host.misuse().Clear();
  EXPECT_EQ(host_ops::ObjectArrayCount(array), 0);
  EXPECT_TRUE(host.misuse().Mentions("ObjectArrayCount: the array is unknown"));
  EXPECT_EQ(host_ops::ObjectArrayGet(array, 0), nullptr);
  EXPECT_TRUE(host.misuse().Mentions("ObjectArrayGet: the array is unknown"));
}

TEST_F(SceneSelection, FreeingAnArrayNeverMadeIsReported) {
  int notAnArray = 0;
  HostObjectArray* holder = reinterpret_cast<HostObjectArray*>(&notAnArray);
  host_ops::ObjectArrayFree(&holder);
  EXPECT_TRUE(host.misuse().Mentions("ObjectArrayFree"));
  host.misuse().Clear();
  host_ops::ObjectArrayFree(nullptr);
  EXPECT_TRUE(host.misuse().Mentions("ObjectArrayFree: called with no holder"));
}

TEST_F(SceneSelection, SelectedObjectsComeInDocumentOrderNotCreationOrder) {
  HostObject* a = scene.NewObject(document, "A");
  HostObject* b = scene.NewObject(document, "B");
  HostObject* c = scene.NewObject(document, "C");
  HostObject* a1 = scene.NewObject(document, "A1", a);  // made after B and C
  HostObject* a1x = scene.NewObject(document, "A1x", a1);
  HostObject* a2 = scene.NewObject(document, "A2", a);
  for (HostObject* object : {c, a2, b, a1x, a}) scene.SetSelected(object, true);
  HostObjectArray* array = host_ops::ObjectArrayNew();
  host_ops::DocumentGetSelectedObjects(document, array, 0);
  EXPECT_EQ(Entries(array), (std::vector<HostObject*>{a, a1x, a2, b, c}));

  // Filling again replaces the entries.
  scene.SetSelected(a, false);
  scene.DeleteObject(b);
  host_ops::DocumentGetSelectedObjects(document, array, 0);
  EXPECT_EQ(Entries(array), (std::vector<HostObject*>{a1x, a2, c}));
  EXPECT_EQ(scene.DocumentOrder(document), (std::vector<HostObject*>{a, a1, a1x, a2, c}));
  host_ops::ObjectArrayFree(&array);
  EXPECT_TRUE(host.misuse().Empty());
}

TEST_F(SceneSelection, AnArrayKeepsTheSelectionItWasFilledWith) {
  // Each change below would have grown or cleared the cached selection the array shares.
  HostObject* a = scene.NewObject(document, "A");
  scene.SetSelected(a, true);
  HostObjectArray* first = host_ops::ObjectArrayNew();
  host_ops::DocumentGetSelectedObjects(document, first, 0);
  HostObject* b = scene.NewObject(document, "B");
  scene.SetSelected(b, true);
  HostObjectArray* second = host_ops::ObjectArrayNew();
  host_ops::DocumentGetSelectedObjects(document, second, 0);
  scene.SetSelected(a, false);
  HostObjectArray* third = host_ops::ObjectArrayNew();
  host_ops::DocumentGetSelectedObjects(document, third, 0);
  EXPECT_EQ(Entries(first), (std::vector<HostObject*>{a}));
  EXPECT_EQ(Entries(second), (std::vector<HostObject*>{a, b}));
  EXPECT_EQ(Entries(third), (std::vector<HostObject*>{b}));
  for (HostObjectArray* array : {first, second, third}) host_ops::ObjectArrayFree(&array);
  EXPECT_TRUE(host.misuse().Empty());
}

TEST_F(SceneSelection, OtherDocumentsSelectionStaysOut) {
  HostDocument* other = scene.NewDocument("Other");
  scene.SetSelected(scene.NewObject(other, "Elsewhere"), true);
  HostObject* here = scene.NewObject(document, "Here");
  scene.SetSelected(here, true);
  HostObjectArray* array = host_ops::ObjectArrayNew();
  host_ops::DocumentGetSelectedObjects(document, array, 0);
  EXPECT_EQ(Entries(array), (std::vector<HostObject*>{here}));
  host_ops::ObjectArrayFree(&array);
}

TEST_F(SceneSelection, MessagesAreRecordedInOrder) {
  HostObject* cube = scene.NewObject(document, "Cube");
  EXPECT_EQ(host_ops::ObjectSendMessage(cube, 5, nullptr), 1);
  EXPECT_EQ(host_ops::ObjectSendMessage(cube, 7, nullptr), 1);
  ASSERT_EQ(scene.Messages().size(), 2u);
  EXPECT_EQ(scene.Messages()[0].object, cube);
  EXPECT_EQ(scene.Messages()[0].id, 5);
  EXPECT_EQ(scene.Messages()[1].id, 7);
  // A run that reads no log keeps none: the call still answers.
  scene.KeepObjectMessages(false);
  EXPECT_TRUE(scene.Messages().empty());
  EXPECT_EQ(host_ops::ObjectSendMessage(cube, 5, nullptr), 1);
  EXPECT_TRUE(scene.Messages().empty());
}

class SceneLinks : public SceneSelection {};

TEST_F(SceneLinks, IdsResolveToTheirObjectAcrossManyObjects) {
  std::vector<HostObject*> objects;
  for (int i = 0; i < 3000; ++i) objects.push_back(scene.NewObject(document, "Object"));
  std::vector<ObjectId> ids;
  for (HostObject* object : objects) ids.push_back(scene.IdOf(object));
  for (size_t i = 0; i < objects.size(); ++i) {
    EXPECT_NE(ids[i], 0u);
    if (i > 0) {
      EXPECT_NE(ids[i], ids[i - 1]);
    }
    EXPECT_EQ(scene.FindLiveObject(document, ids[i], kObjectKindObject), objects[i]);
  }
}

TEST_F(SceneLinks, DeletedOtherDocumentOrWrongKindResolveToNone) {
  HostDocument* other = scene.NewDocument("Other");
  HostObject* parent = scene.NewObject(document, "Parent");
  HostObject* child = scene.NewObject(document, "Child", parent);
  HostObject* light = scene.NewObject(document, "Light", nullptr, 5102);
  const ObjectId childId = scene.IdOf(child);
  const ObjectId lightId = scene.IdOf(light);

  EXPECT_EQ(scene.FindLiveObject(document, childId, kObjectKindObject), child);
  EXPECT_EQ(scene.FindLiveObject(other, childId, kObjectKindObject), nullptr);
  EXPECT_EQ(scene.FindLiveObject(document, lightId, kObjectKindObject), nullptr);
  EXPECT_EQ(scene.FindLiveObject(document, lightId, 5102), light);
  EXPECT_EQ(scene.FindLiveObject(document, 0, kObjectKindObject), nullptr);
  EXPECT_EQ(scene.FindLiveObject(document, 999999, kObjectKindObject), nullptr);

  scene.DeleteObject(parent);  // takes the child with it
  EXPECT_EQ(scene.FindLiveObject(document, childId, kObjectKindObject), nullptr);
  EXPECT_FALSE(scene.IsAlive(child));
  EXPECT_EQ(scene.IdOf(child), 0u);
  EXPECT_EQ(scene.Name(child), "Child");  // the handle still reads
  EXPECT_EQ(scene.LiveObjectCount(document), 1u);

  int notAnObject = 0;
  EXPECT_EQ(scene.IdOf(nullptr), 0u);
  EXPECT_EQ(scene.IdOf(reinterpret_cast<HostObject*>(&notAnObject)), 0u);
}

TEST_F(SceneLinks, FindByNameAndPath) {
  HostObject* car = scene.NewObject(document, "Car");
  HostObject* wheel = scene.NewObject(document, "Wheel", car);
  HostObject* hub = scene.NewObject(document, "Hub", wheel);
  HostObject* spare = scene.NewObject(document, "Hub");
  EXPECT_EQ(scene.FindByName(document, "Hub"), hub);
  EXPECT_EQ(scene.FindByPath(document, "Car/Wheel/Hub"), hub);
  EXPECT_EQ(scene.FindByPath(document, "Hub"), spare);
  EXPECT_EQ(scene.FindByPath(document, "Car/Hub"), nullptr);
  EXPECT_EQ(scene.FindByPath(document, "Car/Wheel/Hub/More"), nullptr);
  EXPECT_EQ(scene.Parent(hub), wheel);
  EXPECT_EQ(scene.Children(car), (std::vector<HostObject*>{wheel}));
}

}  // namespace
}  // namespace khost

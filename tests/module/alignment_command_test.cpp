// The alignment commands as host calls: the handler's frame, the undo group, the view
// update and the object messages, and what happens when links, undo records, selection
// entries or the description library are missing.

#include <algorithm>

#include "description_ids.h"
#include "module_fixture.h"
#include "transform.h"

namespace kestrum_test {
namespace {

class AlignmentCommand : public ModuleFixture {
 protected:
  void SetUp() override {
    ModuleFixture::SetUp();
    reference = Box("reference", {0, 0, 0}, {10, 10, 10});
    first = Box("first", {1, 2, 3}, {1, 1, 1});
    second = Box("second", {-4, 5, 6}, {2, 2, 2});
    scene().SetSelected(first, true);
    scene().SetSelected(second, true);
    Link(ALIGN_REFERENCE, reference);
    Link(ALIGN_OBJECT, first);
    Set(ALIGN_X_MODE, ALIGN_X_MODE_PLUS);
  }

  // The undo, view and position calls with their arguments: which document, which
  // object and which values, in order.
  std::vector<std::string> UndoAndViewCalls() {
    return host.trace().Only({"DocumentBeginUndo", "DocumentAddUndo", "DocumentEndUndo",
                              "HostUpdateViews", "ObjectSetPosition"});
  }

  // Everything about an object's placement that a user of the host can read back.
  struct State {
    HostVector position, rotation, scale;
    HostMatrix local, world;
    HostObject* parent;
  };
  std::vector<State> States(const std::vector<HostObject*>& objects) {
    std::vector<State> states;
    for (HostObject* object : objects)
      states.push_back({scene().Position(object), scene().Rotation(object), scene().Scale(object),
                        scene().LocalMatrix(object), scene().WorldMatrix(object),
                        scene().Parent(object)});
    return states;
  }
  static void ExpectSame(const std::vector<State>& expected, const std::vector<State>& actual) {
    for (size_t i = 0; i < expected.size(); ++i) {
      SCOPED_TRACE("object " + std::to_string(i));
      EXPECT_TRUE(kestrum::SameBits(expected[i].position, actual[i].position));
      EXPECT_TRUE(kestrum::SameBits(expected[i].rotation, actual[i].rotation));
      EXPECT_TRUE(kestrum::SameBits(expected[i].scale, actual[i].scale));
      EXPECT_TRUE(kestrum::SameBits(expected[i].local, actual[i].local));
      EXPECT_TRUE(kestrum::SameBits(expected[i].world, actual[i].world));
      EXPECT_EQ(expected[i].parent, actual[i].parent);
    }
  }

  HostObject* reference = nullptr;
  HostObject* first = nullptr;
  HostObject* second = nullptr;
};

TEST_F(AlignmentCommand, HandlerFrameReadsLinksAndModesOnceAndFreesItsArray) {
  host.trace().Enable(true);
  EXPECT_EQ(1, Press(99999));  // an id the tool does not handle
  // The reference link before the single object's, then the X, Y and Z modes.
  EXPECT_EQ((std::vector<std::string>{"ContainerGetObjectLink(10002, \"test\", 5155)",
                                      "ContainerGetObjectLink(10003, \"test\", 5155)",
                                      "ObjectArrayNew", "ContainerGetInt(10004, 0)",
                                      "ContainerGetInt(10012, 0)", "ContainerGetInt(10020, 0)",
                                      "DescriptionIdLevel(data, 0)", "ObjectArrayFree"}),
            host.trace().Only({"ContainerGetObjectLink", "ObjectArrayNew", "ContainerGetInt",
                               "DescriptionIdLevel", "ObjectArrayFree"}));
}

TEST_F(AlignmentCommand, OneObjectIsAlignedWithTheHostCallsInOrder) {
  scene().SetSelected(second, false);
  Set(ALIGN_Y_MODE, ALIGN_Y_MODE_CENTER);
  host.trace().Enable(true);
  Press(ALIGN_SELECTED);
  // Every call with its arguments: hosts rely on which object each read is for, not
  // only on the sequence of operations.
  const std::vector<std::string> expected{
      "DocumentGetSelectedObjects(\"test\", array, 0)", "DocumentBeginUndo(\"test\")",
      "ObjectArrayCount(array)", "ObjectArrayGet(array, 0)",
      "DocumentAddUndo(\"test\", 40, \"first\")", "ObjectArrayCount(array)",
      "ObjectArrayCount(array)", "ObjectArrayGet(array, 0)",
      // offsets from positions, the moved object's first, one component at a time
      "ObjectGetPosition(\"first\")", "ObjectGetPosition(\"reference\")",
      "ObjectGetPosition(\"first\")", "ObjectGetPosition(\"reference\")",
      "ObjectGetPosition(\"first\")", "ObjectGetPosition(\"reference\")",
      // X: plus face, side read, the reference's half size before the moved object's;
      // inside: 10 - 1
      "ContainerGetInt(10009, 0)", "ObjectGetBoxRadius(\"reference\")",
      "ObjectGetBoxRadius(\"first\")", "ObjectSetPosition(\"first\", (9, 2, 3))",
      // Y: centre; Z: none
      "ObjectSetPosition(\"first\", (9, 0, 3))",
      // finish: the moved object's matrix before the reference's
      "ObjectSetRotation(\"first\", (0, 0, 0))", "ObjectGetGlobalMatrix(\"first\")",
      "ObjectGetGlobalMatrix(\"reference\")",
      "ObjectSetGlobalMatrix(\"first\", [(9, 0, 3), (1, 0, 0), (0, 1, 0), (0, 0, 1)])",
      "ObjectSendMessage(\"first\", 5, null)", "ObjectSendMessage(\"first\", 7, null)",
      "ObjectArrayCount(array)", "HostUpdateViews(2, 0)", "DocumentEndUndo(\"test\")",
      "ObjectArrayFree"};
  std::vector<std::string> calls = host.trace().Calls();
  // From the selection on; the frame before it is checked separately.
  calls.erase(calls.begin(), std::find_if(calls.begin(), calls.end(), [](const std::string& call) {
                return call.rfind("DocumentGetSelectedObjects", 0) == 0;
              }));
  EXPECT_EQ(expected, calls);
  const auto& messages = scene().Messages();
  ASSERT_EQ(2u, messages.size());
  EXPECT_EQ(first, messages[0].object);
  EXPECT_EQ(first, messages[1].object);
}

TEST_F(AlignmentCommand, AllUndoRecordsComeBeforeAnyChangeInOneGroup) {
  host.trace().Enable(true);
  Press(ALIGN_SELECTED);
  // Both objects against the +X face, inside: 10 - 1 and 10 - 2.
  EXPECT_EQ(
      (std::vector<std::string>{
          "DocumentBeginUndo(\"test\")", "DocumentAddUndo(\"test\", 40, \"first\")",
          "DocumentAddUndo(\"test\", 40, \"second\")", "ObjectSetPosition(\"first\", (9, 2, 3))",
          "ObjectSetPosition(\"second\", (8, 5, 6))", "HostUpdateViews(2, 0)",
          "DocumentEndUndo(\"test\")"}),
      UndoAndViewCalls());
  EXPECT_EQ(1u, scene().UndoSteps(document));
}

TEST_F(AlignmentCommand, OneUndoPutsEveryObjectBackExactlyAndRedoAgain) {
  // Every part of the state the command changes: position, rotation and scale (the
  // reference's scale is taken on), the matrices, and the parent, which it keeps.
  HostObject* group = Box("group", {0, 1, 0}, {0, 0, 0});
  HostObject* child = Box("child", {2, 0, 1}, {1, 1, 1}, group);
  scene().SetSelected(child, true);
  scene().SetRotation(second, {0.3, -0.2, 0.1});
  scene().SetScale(second, {1, 2, 0.5});
  scene().SetScale(reference, {2, 2, 2});
  const std::vector<HostObject*> objects{first, second, child};
  const std::vector<State> before = States(objects);
  Press(ALIGN_SELECTED);
  const std::vector<State> after = States(objects);
  for (size_t i = 0; i < objects.size(); ++i)
    ASSERT_FALSE(kestrum::SameBits(before[i].scale, after[i].scale)) << i;

  ASSERT_TRUE(scene().Undo(document));
  ExpectSame(before, States(objects));
  ASSERT_TRUE(scene().Redo(document));
  ExpectSame(after, States(objects));
}

TEST_F(AlignmentCommand, EmptySelectionStillOpensAndClosesAGroupAndUpdatesViews) {
  scene().SetSelected(first, false);
  scene().SetSelected(second, false);
  host.trace().Enable(true);
  Press(ALIGN_SELECTED);
  EXPECT_EQ((std::vector<std::string>{"DocumentBeginUndo(\"test\")", "HostUpdateViews(2, 0)",
                                      "DocumentEndUndo(\"test\")"}),
            UndoAndViewCalls());
  EXPECT_EQ(1u, host.ui().ViewUpdates().size());
}

TEST_F(AlignmentCommand, AllAxesNoneChangeNothingButRecordUndo) {
  Set(ALIGN_X_MODE, ALIGN_X_MODE_NONE);
  host.trace().Enable(true);
  Press(ALIGN_SELECTED);
  EXPECT_EQ((std::vector<std::string>{"DocumentBeginUndo(\"test\")",
                                      "DocumentAddUndo(\"test\", 40, \"first\")",
                                      "DocumentAddUndo(\"test\", 40, \"second\")",
                                      "HostUpdateViews(2, 0)", "DocumentEndUndo(\"test\")"}),
            UndoAndViewCalls());
  host.trace().Clear();
  Press(HOST_COMMAND_ALIGN_OBJECT);
  // The single-object command records the linked object and posts no view update when
  // nothing changed.
  EXPECT_EQ((std::vector<std::string>{"DocumentBeginUndo(\"test\")",
                                      "DocumentAddUndo(\"test\", 40, \"first\")",
                                      "DocumentEndUndo(\"test\")"}),
            UndoAndViewCalls());
  EXPECT_TRUE(scene().Messages().empty());
  EXPECT_TRUE(host.trace().Only({"ObjectSetRotation", "ObjectSetGlobalMatrix"}).empty());
}

TEST_F(AlignmentCommand, MissingReferenceOrSingleObjectDoesNothing) {
  host.containers().Remove(settings, ALIGN_OBJECT);
  host.trace().Enable(true);
  EXPECT_EQ(1, Press(HOST_COMMAND_ALIGN_OBJECT_ALT));
  EXPECT_TRUE(UndoAndViewCalls().empty());

  host.containers().Remove(settings, ALIGN_REFERENCE);
  Link(ALIGN_OBJECT, first);
  for (int32_t command : {int32_t{ALIGN_SELECTED}, int32_t{HOST_COMMAND_ALIGN_OBJECT}}) {
    EXPECT_EQ(1, Press(command));
    EXPECT_TRUE(UndoAndViewCalls().empty()) << command;
  }
  EXPECT_EQ(0u, scene().UndoSteps(document));
  EXPECT_EQ(1.0, scene().Position(first).x);
}

TEST_F(AlignmentCommand, LinksToDeletedOrForeignObjectsReadAsNone) {
  scene().DeleteObject(reference);
  Press(ALIGN_SELECTED);
  EXPECT_EQ(0u, scene().UndoSteps(document));

  HostDocument* other = scene().NewDocument("other");
  HostObject* elsewhere = scene().NewObject(other, "elsewhere");
  Link(ALIGN_REFERENCE, elsewhere);
  Press(ALIGN_SELECTED);
  EXPECT_EQ(0u, scene().UndoSteps(document));

  HostObject* notAnObject = scene().NewObject(document, "tag", nullptr, 5616);
  Link(ALIGN_REFERENCE, notAnObject);
  Press(ALIGN_SELECTED);
  EXPECT_EQ(0u, scene().UndoSteps(document));
  EXPECT_EQ(1.0, scene().Position(first).x);
}

TEST_F(AlignmentCommand, RefusedUndoStopsRecordingButEveryObjectIsAligned) {
  scene().FailAddUndoAfter(1);
  host.trace().Enable(true);
  Press(ALIGN_SELECTED);
  // The refused record is the second object's; nothing is asked after it.
  EXPECT_EQ((std::vector<std::string>{"DocumentAddUndo(\"test\", 40, \"first\")",
                                      "DocumentAddUndo(\"test\", 40, \"second\")"}),
            host.trace().Only({"DocumentAddUndo"}));
  // Both objects end up against the +X face, inside: 10 - half size.
  EXPECT_EQ(9.0, scene().WorldMatrix(first).offset.x);
  EXPECT_EQ(8.0, scene().WorldMatrix(second).offset.x);

  scene().FailAddUndoAfter(0);
  scene().SetPosition(first, {50, 2, 3});
  Press(HOST_COMMAND_ALIGN_OBJECT);
  EXPECT_EQ(9.0, scene().WorldMatrix(first).offset.x);
}

// Replaces ObjectArrayGet for one test: the second entry reads as none.
ObjectArrayGetFunction realArrayGet = nullptr;
HostObject* SecondEntryMissing(HostObjectArray* array, int32_t index) {
  return index == 1 ? nullptr : realArrayGet(array, index);
}

TEST_F(AlignmentCommand, SelectionEntryReadingAsNoneEndsTheLoopButClosesTheGroup) {
  HostObject* third = Box("third", {7, 7, 7}, {1, 1, 1});
  scene().SetSelected(third, true);
  HostSlot& slot = host.OperationSlot(kTableSceneElement, 148);
  realArrayGet = reinterpret_cast<ObjectArrayGetFunction>(slot.function);
  slot.function = reinterpret_cast<void (*)(void)>(&SecondEntryMissing);
  host.trace().Enable(true);
  Press(ALIGN_SELECTED);
  slot.function = reinterpret_cast<void (*)(void)>(realArrayGet);
  EXPECT_EQ(9.0, scene().WorldMatrix(first).offset.x);
  EXPECT_EQ(-4.0, scene().WorldMatrix(second).offset.x);
  EXPECT_EQ(7.0, scene().WorldMatrix(third).offset.x);
  EXPECT_EQ(1u, host.trace().Only({"HostUpdateViews"}).size());
  EXPECT_EQ(1u, host.trace().Only({"DocumentEndUndo"}).size());
}

TEST_F(AlignmentCommand, OtherMessageTypesDoNothingAndAnswerTrue) {
  khost::DescriptionCommand command = khost::MakeButtonCommand(ALIGN_SELECTED);
  for (int32_t type : {0, 17, 19, -1}) {
    EXPECT_EQ(1, session.SendMessage(document, settings, type, &command)) << type;
  }
  EXPECT_EQ(1, session.SendMessage(document, settings, 1, nullptr));
  EXPECT_EQ(0u, scene().UndoSteps(document));
}

TEST_F(AlignmentCommand, WithoutTheLevelEntryNoCommandIsRecognised) {
  // The module found the library while registering and keeps its table; an entry the
  // host nulls afterwards reads as a level of zeros, which names no command.
  host.plugins().ClearDescriptionLibraryEntry(112);
  EXPECT_EQ(1, Press(ALIGN_SELECTED));
  EXPECT_EQ(0u, scene().UndoSteps(document));
  host.plugins().RestoreDescriptionLibrary();
  Press(ALIGN_SELECTED);
  EXPECT_EQ(1u, scene().UndoSteps(document));
}

TEST_F(AlignmentCommand, TheLibraryTableFoundOnceIsKept) {
  host.plugins().SetDescriptionLibraryPresent(false);
  host.trace().Enable(true);
  Press(ALIGN_SELECTED);
  EXPECT_TRUE(host.trace().Only({"FindPlugin"}).empty());
  EXPECT_EQ(1u, scene().UndoSteps(document));
}

TEST_F(AlignmentCommand, DescriptionLibraryTooShortForTheLevelEntryIsNotRead) {
  // The level entry sits at slot 28; a table that ends before it must not be read.
  host.plugins().SetDescriptionLibrarySize(28 * static_cast<int32_t>(sizeof(void*)));
  Press(ALIGN_SELECTED);
  EXPECT_EQ(0u, scene().UndoSteps(document));
  host.plugins().SetDescriptionLibrarySize(29 * static_cast<int32_t>(sizeof(void*)));
  Press(ALIGN_SELECTED);
  EXPECT_EQ(1u, scene().UndoSteps(document));
}

}  // namespace
}  // namespace kestrum_test

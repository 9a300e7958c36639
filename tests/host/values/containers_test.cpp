// Settings containers: values by id, what each operation answers for each kind of
// entry, and links that resolve only to live objects of the asked document and kind.
#include "containers.h"

#include <optional>

#include "host_fixture.h"
#include "scene.h"

namespace {

using khost::Containers;
using khost_test::HostFixture;
namespace table = khost_test::table;

class ContainersTest : public HostFixture {
 protected:
  Containers& containers() { return host.containers(); }
  HostContainer* settings = host.containers().Create();
};

TEST_F(ContainersTest, SetIntThenGetIntThroughTheTable) {
  table::ContainerSetInt(host)(settings, 10005, -7);
  EXPECT_EQ(table::ContainerGetInt(host)(settings, 10005, 99), -7);
  ASSERT_TRUE(containers().HoldsInt(settings, 10005));
  EXPECT_EQ(containers().Get(settings, 10005)->integer, -7);
}

TEST_F(ContainersTest, GetIntAnswersByKindOfEntry) {
  containers().SetInt(settings, 1, 42);
  containers().SetBool(settings, 2, true);
  containers().SetBool(settings, 3, false);
  containers().SetLink(settings, 4, 77);
  struct Case {
    int32_t id;
    int32_t expected;
  };
  // Fallback -5 for a link or an absent id; truth values read as 0 / 1.
  const Case cases[] = {{1, 42}, {2, 1}, {3, 0}, {4, -5}, {5, -5}};
  for (const Case& c : cases)
    EXPECT_EQ(table::ContainerGetInt(host)(settings, c.id, -5), c.expected) << "id " << c.id;
}

TEST_F(ContainersTest, SetBoolStoresATruthValueFromAnyNonZero) {
  table::ContainerSetBool(host)(settings, 10020, 5);
  table::ContainerSetBool(host)(settings, 10021, 0);
  ASSERT_TRUE(containers().HoldsBool(settings, 10020));
  EXPECT_TRUE(containers().Get(settings, 10020)->truth);
  EXPECT_FALSE(containers().Get(settings, 10021)->truth);
  EXPECT_EQ(table::ContainerGetInt(host)(settings, 10020, 9), 1);
}

TEST_F(ContainersTest, SettingAnIdReplacesItsKind) {
  containers().SetLink(settings, 7, 3);
  table::ContainerSetInt(host)(settings, 7, 2);
  EXPECT_TRUE(containers().HoldsInt(settings, 7));
  EXPECT_FALSE(containers().HoldsLink(settings, 7));
  table::ContainerSetBool(host)(settings, 7, 1);
  EXPECT_TRUE(containers().HoldsBool(settings, 7));
  EXPECT_EQ(containers().Entries(settings).size(), 1u);
}

TEST_F(ContainersTest, AnIdReadBeforeAnswersByItsNewKind) {
  // The first read leaves the id in the recent-id cache; the next reads go through it.
  table::ContainerSetInt(host)(settings, 7, 2);
  ASSERT_EQ(table::ContainerGetInt(host)(settings, 7, -5), 2);
  table::ContainerSetBool(host)(settings, 7, 1);
  EXPECT_EQ(table::ContainerGetInt(host)(settings, 7, -5), 1);
  containers().SetLink(settings, 7, 3);
  EXPECT_EQ(table::ContainerGetInt(host)(settings, 7, -5), -5);
}

TEST_F(ContainersTest, ContainersAreSeparate) {
  HostContainer* other = containers().Create();
  containers().SetInt(settings, 1, 10);
  containers().SetInt(other, 1, 20);
  EXPECT_EQ(table::ContainerGetInt(host)(settings, 1, 0), 10);
  EXPECT_EQ(table::ContainerGetInt(host)(other, 1, 0), 20);
  containers().Destroy(other);
  EXPECT_FALSE(containers().IsLive(other));
  EXPECT_TRUE(containers().IsLive(settings));
}

// Reads that go back and forth between containers, as documents sharing one plug-in
// make them: each answers its own container's value, never one read lately from another,
// also after a container is destroyed and a new one made in its place.
TEST_F(ContainersTest, ReadsAlternatingBetweenContainersAnswerEachItsOwn) {
  HostContainer* other = containers().Create();
  containers().SetInt(settings, 1, 10);
  containers().SetInt(other, 1, 20);
  containers().SetInt(settings, 2, 11);
  containers().SetBool(other, 2, true);
  containers().SetInt(other, 3, 23);
  const struct {
    HostContainer* container;
    int32_t id;
    int32_t expected;
  } reads[] = {{settings, 1, 10}, {other, 1, 20}, {settings, 1, 10}, {other, 1, 20},
               {settings, 2, 11}, {other, 2, 1},  {settings, 2, 11}, {other, 3, 23},
               {settings, 3, -1}, {other, 3, 23}, {settings, 1, 10}};
  for (const auto& read : reads)
    EXPECT_EQ(table::ContainerGetInt(host)(read.container, read.id, -1), read.expected)
        << "id " << read.id;
  for (int round = 0; round < 4; ++round) {
    containers().Destroy(other);
    other = containers().Create();
    EXPECT_EQ(table::ContainerGetInt(host)(other, 1, -1), -1) << "round " << round;
    containers().SetInt(other, 1, 100 + round);
    EXPECT_EQ(table::ContainerGetInt(host)(other, 1, -1), 100 + round);
    EXPECT_EQ(table::ContainerGetInt(host)(settings, 1, -1), 10);
  }
}

TEST_F(ContainersTest, UnknownOrDestroyedContainersAreReportedAndAnswerTheFallback) {
  HostContainer* gone = containers().Create();
  containers().Destroy(gone);
  EXPECT_EQ(table::ContainerGetInt(host)(gone, 1, 31), 31);
  table::ContainerSetInt(host)(gone, 1, 5);
  EXPECT_EQ(table::ContainerGetObjectLink(host)(nullptr, 1, nullptr, kObjectKindObject), nullptr);
  containers().Destroy(gone);
  EXPECT_EQ(host.misuse().Entries().size(), 4u);
  EXPECT_TRUE(host.misuse().Mentions("ContainerGetInt: not a live settings container"));
  EXPECT_TRUE(host.misuse().Mentions("ContainerSetInt: not a live settings container"));
  EXPECT_TRUE(host.misuse().Mentions("ContainerGetObjectLink: not a live settings container"));
}

class ContainerLinkTest : public ContainersTest {
 protected:
  khost::Scene& scene() { return host.scene(); }
  HostDocument* document = host.scene().NewDocument("main");
  HostObject* reference = host.scene().NewObject(document, "Reference");
};

TEST_F(ContainerLinkTest, LinkResolvesToTheLiveObject) {
  containers().SetLink(settings, 10002, scene().IdOf(reference));
  EXPECT_EQ(table::ContainerGetObjectLink(host)(settings, 10002, document, kObjectKindObject),
            reference);
  EXPECT_EQ(containers().Get(settings, 10002)->link, scene().IdOf(reference));
}

TEST_F(ContainerLinkTest, LinkReadsAsNoneWhenTheAnswerWouldBeWrong) {
  HostDocument* otherDocument = scene().NewDocument("other");
  HostObject* deleted = scene().NewObject(document, "Deleted");
  containers().SetLink(settings, 1, scene().IdOf(reference));
  containers().SetLink(settings, 2, scene().IdOf(deleted));
  scene().DeleteObject(deleted);
  containers().SetInt(settings, 3, 1);
  auto link = [&](int32_t id, HostDocument* in, int32_t kind) {
    return table::ContainerGetObjectLink(host)(settings, id, in, kind);
  };
  EXPECT_EQ(link(1, otherDocument, kObjectKindObject), nullptr) << "other document";
  EXPECT_EQ(link(1, document, kObjectKindObject + 1), nullptr) << "other kind";
  EXPECT_EQ(link(2, document, kObjectKindObject), nullptr) << "deleted object";
  EXPECT_EQ(link(3, document, kObjectKindObject), nullptr) << "an integer entry";
  EXPECT_EQ(link(4, document, kObjectKindObject), nullptr) << "absent";
  EXPECT_EQ(link(1, document, kObjectKindObject), reference);
}

}  // namespace

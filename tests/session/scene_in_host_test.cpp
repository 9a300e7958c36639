// Objects shown to the host at their box centres: the host's origins are the boxes'
// centres, reading back takes the shift out, and what the host left where it was built
// keeps its values as read.

#include "scene_in_host.h"

#include <gtest/gtest.h>

#include <cstring>

#include "host_values.h"
#include "scene.h"

namespace kcommand_test {
namespace {

using kcommand::SceneModel;
using kcommand::SceneObject;
using kcommand::Vector3;

// A shelf whose origin is its back corner, scaled along X, holding a book likewise.
SceneModel Shelf() {
  SceneObject book;
  book.name = "Book";
  book.position = {10, 100, 5};
  book.halfSize = {2, 12, 8};
  book.boxCentre = Vector3{2, 12, 8};
  SceneObject shelf;
  shelf.name = "Shelf";
  shelf.position = {-200, 0, -100};
  shelf.scale = {2, 1, 1};
  shelf.halfSize = {40, 90, 15};
  shelf.boxCentre = Vector3{40, 90, 15};
  shelf.children.push_back(book);
  SceneModel scene;
  scene.objects.push_back(shelf);
  return scene;
}

bool SameBits(const Vector3& a, const Vector3& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void ExpectAt(const HostVector& v, const Vector3& want) {
  EXPECT_DOUBLE_EQ(v.x, want[0]);
  EXPECT_DOUBLE_EQ(v.y, want[1]);
  EXPECT_DOUBLE_EQ(v.z, want[2]);
}

TEST(SceneInHost, ShowsBoxCentresAndTakesTheShiftOutReadingBack) {
  SceneModel scene = Shelf();
  const SceneModel asRead = scene;
  khost::Scene host;
  kcommand::SceneInHost objects(host, scene, "shelf.json");
  objects.KeepValuesAsRead();
  SceneObject& shelf = scene.objects[0];
  SceneObject& book = shelf.children[0];
  ExpectAt(host.WorldMatrix(objects.Object(0)).offset, {-120, 90, -85});
  ExpectAt(host.WorldMatrix(objects.Object(1)).offset, {-176, 112, -87});

  objects.ReadBack();
  EXPECT_TRUE(SameBits(shelf.position, asRead.objects[0].position));
  EXPECT_TRUE(SameBits(book.position, asRead.objects[0].children[0].position));

  // The shelf's box centre moved to the world's origin: the shelf's own origin lies its
  // scaled centre away, and the book keeps its place on the shelf.
  const HostVector built = host.Position(objects.Object(0));
  host.SetPosition(objects.Object(0), {0, 0, 0});
  objects.ReadBack();
  ExpectAt(kcommand::ToHost(shelf.position), {-80, -90, -15});
  EXPECT_TRUE(SameBits(book.position, asRead.objects[0].children[0].position));

  // Undone: the values as read again, bit for bit.
  host.SetPosition(objects.Object(0), built);
  objects.ReadBack();
  EXPECT_TRUE(SameBits(shelf.position, asRead.objects[0].position));
}

TEST(SceneInHost, ShowsBoxesAboutTheOriginsWhenAsked) {
  SceneModel scene = Shelf();
  scene.boxes = kcommand::BoxPlacement::kOrigin;
  khost::Scene host;
  kcommand::SceneInHost objects(host, scene, "shelf.json");
  ExpectAt(host.WorldMatrix(objects.Object(0)).offset, {-200, 0, -100});
  ExpectAt(host.HalfSizes(objects.Object(0)), {80, 180, 30});
  objects.ReadBack();
  EXPECT_TRUE(SameBits(scene.objects[0].halfSize, {40, 90, 15}));
}

}  // namespace
}  // namespace kcommand_test

#pragma once
// Where every object of a scene must land when the tool aligns it, worked out from the
// tool's documented behaviour alone (not from the module or the host's scene code):
// per-axis offsets from local positions and half sizes, rotation cleared, the moved
// object's world matrix taken into the reference's frame, objects aligned one after
// another so later ones see the reference's new placement.
//
// Each object also carries whether its expected world matrix is exact: computed only
// from values the host holds bit for bit (its own local matrices and scales) with the
// documented product rule, and no inverse or derived scale in between. Exact ones are
// compared with ==, the rest within a tight tolerance.

#include <cstdint>
#include <string>
#include <vector>

#include "c4d_host_abi.h"

namespace khost::validator {

// The documented product rule: b first, then a; sums left to right, a's offset second.
HostMatrix ModelProduct(const HostMatrix& a, const HostMatrix& b);
// Inverse of an affine matrix by cofactors; false when its linear part is singular.
bool ModelInvert(const HostMatrix& m, HostMatrix* inverse);

// The six choices as the container holds them; 0 stands for an absent entry.
struct AxisSettings {
  int32_t mode[3] = {0, 0, 0};
  int32_t side[3] = {0, 0, 0};
};

struct ModelObject {
  std::string name;
  int parent = -1;
  HostMatrix local{};
  HostVector scale{1, 1, 1};
  HostVector halfSizes{};
  bool exactLocal = true;
  bool exactScale = true;
  bool alive = true;
  bool selected = false;
};

class PlacementModel {
 public:
  int Add(ModelObject object);
  std::vector<ModelObject>& objects() { return objects_; }
  const std::vector<ModelObject>& objects() const { return objects_; }

  HostMatrix World(int index) const;
  bool WorldExact(int index) const;
  // How much rounding in the object's placement may be magnified: the largest condition
  // number (Frobenius norms of the linear part and of its inverse) among the world
  // matrices of the object and its ancestors; 1 for rotations with uniform scale.
  double Conditioning(int index) const;
  // Live objects, each before its children, children in the order they were added.
  std::vector<int> DocumentOrder() const;
  std::vector<int> SelectedInOrder() const;
  void Delete(int index);

  // Whether an alignment with these settings changes anything at all (some mode is not
  // its axis's none value).
  static bool Changes(const AxisSettings& settings);
  // Aligns `moved` against `reference` as one step of an alignment command.
  void Align(int moved, int reference, const AxisSettings& settings);

 private:
  std::vector<ModelObject> objects_;
};

}  // namespace khost::validator

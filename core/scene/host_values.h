#pragma once
// The scene model's vectors and matrices as the host's values, both ways, and the
// checks on them that several places make.

#include <cmath>
#include <cstring>

#include "c4d_host_abi.h"
#include "scene_model.h"

namespace kcommand {

inline HostVector ToHost(const Vector3& v) { return {v[0], v[1], v[2]}; }
inline HostMatrix ToHost(const LocalMatrix& m) {
  return {ToHost(m[0]), ToHost(m[1]), ToHost(m[2]), ToHost(m[3])};
}
inline Vector3 FromHost(const HostVector& v) { return {v.x, v.y, v.z}; }
inline LocalMatrix FromHost(const HostMatrix& m) {
  return {FromHost(m.offset), FromHost(m.axisX), FromHost(m.axisY), FromHost(m.axisZ)};
}

inline bool IsFinite(const HostVector& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}
inline bool IsFinite(const HostMatrix& m) {
  return IsFinite(m.offset) && IsFinite(m.axisX) && IsFinite(m.axisY) && IsFinite(m.axisZ);
}

// Equal bit for bit: a placement read back unchanged, not one that merely compares equal
// (0 and -0, or two NaNs).
inline bool SameBits(const LocalMatrix& a, const LocalMatrix& b) {
  return std::memcmp(a.data(), b.data(), sizeof(LocalMatrix)) == 0;
}

}  // namespace kcommand

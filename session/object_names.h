#pragma once
// How every front end names the objects a press works on: by name, by path, by a
// pattern (`*`, `?`) matching paths, and `@selection`, the selection's own box as a
// reference. Resolved here once, into indices in ListObjects order.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "scene_model.h"

namespace kcommand {

// The reference that stands for the selection's own box, as a user writes it, and as an
// index (AlignmentPress::reference).
inline constexpr const char* kSelectionReference = "@selection";
inline constexpr size_t kSelectionBox = SIZE_MAX;

// Looks up names in one scene, listing every path only when a name needs it: a name
// that is unique in a million objects is found without their paths.
class ObjectNames {
 public:
  // `fileName` and each call's `what` (an option, a setting) start the messages.
  ObjectNames(SceneModel& scene, std::string fileName);

  const std::vector<ObjectEntry>& Entries();
  // One object by name or path; InputError naming `what` when none or several answer.
  size_t One(const std::string& what, const std::string& name);
  // A reference: one object, or kSelectionBox for kSelectionReference.
  size_t Reference(const std::string& what, const std::string& name);
  // A name or path (one object), or a pattern (every match, in list order; InputError
  // when none matches).
  std::vector<size_t> Matching(const std::string& what, const std::string& name);

 private:
  SceneModel& scene_;
  std::string fileName_;
  std::optional<std::vector<ObjectEntry>> entries_;
};

}  // namespace kcommand

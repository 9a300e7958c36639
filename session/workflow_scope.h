#pragma once
// What the session's workflows hold while they run: one outer undo group, and the
// temporary objects that stand in the host's document only for the workflow. For the
// session's own files.

#include <algorithm>
#include <array>
#include <string>

#include "alignment_session.h"
#include "kestrum_settings.h"

namespace kcommand {

// One outer undo group. Committed, it closes the group: one step. Left without a
// commit (a press failed), it closes the group and undoes what it recorded, so the
// document is as it was. Either way the tool's links (reference, object) are given back
// as they were: the presses link each object in turn, and temporary ones that are gone.
class AlignmentSession::Workflow {
 public:
  explicit Workflow(AlignmentSession& session)
      : session_(session),
        scene_(session.plugin_.host().scene()),
        document_(session.objects_.Document()),
        stepsBefore_(scene_.UndoSteps(document_)) {
    for (size_t i = 0; i < kLinks.size(); ++i)
      links_[i] = session_.plugin_.host().containers().GetObjectLink(session_.Settings(), kLinks[i],
                                                                     document_, kObjectKindObject);
    scene_.BeginUndo(document_, "workflow");
  }
  Workflow(const Workflow&) = delete;
  Workflow& operator=(const Workflow&) = delete;
  ~Workflow() {
    if (!committed_) {
      scene_.EndUndo(document_, "workflow");
      if (scene_.UndoSteps(document_) > stepsBefore_) scene_.Undo(document_);
    }
    khost::Containers& containers = session_.plugin_.host().containers();
    for (size_t i = 0; i < kLinks.size(); ++i) {
      if (links_[i])
        containers.SetLink(session_.Settings(), kLinks[i], scene_.IdOf(links_[i]));
      else
        containers.Remove(session_.Settings(), kLinks[i]);
    }
  }
  void Commit() {
    scene_.EndUndo(document_, "workflow");
    committed_ = true;
  }

 private:
  static constexpr std::array<int32_t, 2> kLinks{ALIGN_REFERENCE, ALIGN_OBJECT};
  AlignmentSession& session_;
  khost::Scene& scene_;
  HostDocument* document_;
  size_t stepsBefore_;
  std::array<HostObject*, 2> links_{};
  bool committed_ = false;
};

// An object of the host's document that only a workflow uses: top level, unselected,
// named for what it stands for in explanations, and deleted when the workflow is done.
class AlignmentSession::TemporaryObject {
 public:
  TemporaryObject(AlignmentSession& session, const std::string& name, const HostVector& centre,
                  const HostVector& halfSizes)
      : session_(session), scene_(session.plugin_.host().scene()) {
    object_ = scene_.NewObject(session.objects_.Document(), "kestrum " + name);
    scene_.SetPosition(object_, centre);
    scene_.SetHalfSizes(object_, halfSizes);
    session_.temporaryNames_.emplace_back(object_, name);
  }
  TemporaryObject(const TemporaryObject&) = delete;
  TemporaryObject& operator=(const TemporaryObject&) = delete;
  ~TemporaryObject() {
    scene_.DeleteObject(object_);
    auto& names = session_.temporaryNames_;
    names.erase(std::remove_if(names.begin(), names.end(),
                               [this](const auto& named) { return named.first == object_; }),
                names.end());
  }
  HostObject* get() const { return object_; }

 private:
  AlignmentSession& session_;
  khost::Scene& scene_;
  HostObject* object_;
};

}  // namespace kcommand

#pragma once
// The Kestrum tool: aligns objects against a reference object's bounding box, axis by
// axis. Its settings live in the host's settings container; it keeps none itself.

#include "c4d_tooldata.h"

class Kestrum : public DescriptionToolData {
 public:
  ~Kestrum() override = default;
  bool ToolHookA(int32_t, int32_t, int32_t) override { return true; }
  void WriteDefaultSettings(HostDocument* document, HostContainer* container) override;
  HostString DescriptionResourceName() override;
  bool MessageHandler(HostDocument* document, HostContainer* container, int32_t type,
                      void* data) override;
  int32_t PluginId() override;
};

// Creates the tool object and registers it with the host.
bool RegisterKestrum();

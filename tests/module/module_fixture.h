#pragma once
// Shared by the tests that load the built kestrum.cdl: a live host, a plug-in session
// opened on the assembled plug-in folder, a document and the tool's settings container,
// and small helpers for building scenes. Call-order checks compare whole trace lines
// (`host.trace().Only(...)`): the operation with its arguments.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "containers.h"
#include "host.h"
#include "kestrum_settings.h"
#include "plugin_session.h"
#include "plugins.h"
#include "scene.h"
#include "user_interface.h"

namespace kestrum_test {

inline std::string BuiltPluginFolder() { return KESTRUM_BINARY_DIR "/plugins/kestrum"; }

class ModuleFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(session.Open(BuiltPluginFolder(), KESTRUM_PLUGIN_ID)) << session.Error();
    document = scene().NewDocument("test");
    settings = session.Settings(document);
  }

  void TearDown() override {
    EXPECT_TRUE(scene().CheckNoUndoGroupOpen());
    const khost::LeakCheck leaks = session.Close();
    for (const std::string& line : leaks.Lines()) ADD_FAILURE() << "left behind: " << line;
  }

  khost::Scene& scene() { return host.scene(); }

  HostObject* Box(const std::string& name, HostVector position, HostVector halfSizes,
                  HostObject* parent = nullptr) {
    HostObject* object = scene().NewObject(document, name, parent);
    scene().SetPosition(object, position);
    scene().SetHalfSizes(object, halfSizes);
    return object;
  }

  void Link(int32_t id, HostObject* object) {
    host.containers().SetLink(settings, id, scene().IdOf(object));
  }
  void Set(int32_t id, int32_t value) { host.containers().SetInt(settings, id, value); }

  int32_t Press(int32_t button) { return session.Press(document, settings, button); }

  khost::Host host;
  khost::PluginSession session{host};
  HostDocument* document = nullptr;
  HostContainer* settings = nullptr;
};

}  // namespace kestrum_test

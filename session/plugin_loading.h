#pragma once
// The plug-in loaded into a fresh substitute host of its own, as the command, the view
// and the Python module load it, with the errors a run ends in: the folder holds no
// module (InputError), the module does not load, bind, start or register its tool, the
// tool does not carry out a press, or the plug-in leaves anything behind (HostFailure).

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "c4d_host_abi.h"
#include "containers.h"
#include "host.h"
#include "plugin_session.h"
#include "plugins.h"
#include "scene.h"
#include "user_interface.h"

namespace kcommand {

// `console`: where the plug-in's console lines go as they are printed (nullptr: kept
// only).
std::unique_ptr<khost::PluginSession> LoadPlugin(const std::string& pluginFolder,
                                                 std::ostream* console);

// The one policy for the tool's answer to a press: a truth value, which the tool gives
// as false only when it did not carry the press out. Throws HostFailure naming `press`
// then.
void RequireCarriedOut(int32_t answer, const std::string& press);
// A press of a panel button in `document` with the tool's settings for it, as the host
// delivers it; throws as RequireCarriedOut does.
void PressButton(khost::PluginSession& plugin, HostDocument* document, int32_t buttonId);

// For a run that writes its files and ends, where nothing reads the object messages
// and only an undo check reads the undo steps: the host keeps no messages, and undo
// steps only when `keep`. A press on a million objects would otherwise hold 200 MB of
// undo records and 32 MB of messages. Applies to documents made after it.
void KeepUndo(khost::PluginSession& plugin, bool keep);

// Closes the plug-in and checks what was left behind: throws HostFailure listing every
// leftover and every misuse report.
void FinishCleanly(khost::PluginSession& plugin);
// Throws HostFailure listing `problems`, what a finished session of the plug-in from
// `folder` left behind or recorded as misuse; returns when there are none.
void RequireCleanFinish(const std::string& folder, const std::vector<std::string>& problems);

}  // namespace kcommand

#pragma once
// Where the command finds the plug-in folder and the shipped examples: beside its own
// executable first (an installed or built tree: <exe dir>/../plugins/kestrum), then
// the folders the build assembled.

#include <string>

namespace kcommand {

std::string DefaultPluginFolder();
// The shipped example scene `name` ("demo.json"); empty when none is found.
std::string ExampleScene(const std::string& name);
// Throws InputError unless `folder` holds a plug-in module.
void RequirePluginFolder(const std::string& folder);

}  // namespace kcommand

#pragma once
// Where the command finds the plug-in folder and the shipped examples, from its own
// executable's place, so that a build tree or an installation can be moved whole:
//   build tree: <build>/command/kestrum, <build>/plugins/kestrum
//   installed:  <prefix>/bin/kestrum, <prefix>/lib/kestrum, <prefix>/share/kestrum/examples
// Only a program outside both layouts (a test or benchmark of the build) falls back to
// the folders the build assembled.

#include <string>

namespace kcommand {

std::string DefaultPluginFolder();
// The plug-in folder of an installation under `prefix`, whether or not it is there.
std::string InstalledPluginFolder(const std::string& prefix);
// The shipped example scene `name` ("demo.json"); throws InputError naming the places
// looked at when none holds it.
std::string ExampleScene(const std::string& name);
// Throws InputError unless `folder` holds a plug-in module.
void RequirePluginFolder(const std::string& folder);

}  // namespace kcommand

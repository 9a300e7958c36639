#pragma once
// The module frame: the exported entry point, the binding to the host and the plug-in's
// folder. The plug-in's own start, message and end functions are declared here and
// defined beside the tool.

#include <cstdint>

#include "c4d_file.h"

#ifdef _WIN32
#define C4D_EXPORT extern "C" __declspec(dllexport)
#else
#define C4D_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// The one door through which the host drives the module.
C4D_EXPORT int32_t c4d_main(int32_t action, void* p1, void* p2, void* p3);

// The folder of the module file the host named at binding, or an empty file name when
// none is held. The caller owns the new value.
HostFileName PluginFolder();

// Provided by the plug-in.
bool ModuleStart();
bool ModuleMessage(int32_t id, void* data);
void ModuleEnd();

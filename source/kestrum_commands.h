#pragma once
// The commands the Kestrum tool's buttons run. Each runs inside one message handler
// call, whose frame (links, modes, object array) is passed in.

#include "c4d_host_abi.h"
#include "c4d_math.h"

// Working values of one handler call.
struct AlignmentFrame {
  HostDocument* document;
  HostContainer* container;
  HostObject* reference;
  HostObject* single;
  Matrix matrixFixed;
  Matrix matrixMoveable;
  HostObjectArray* selection;
  Vector positionVector;
  bool changed;
  int32_t modeX;
  int32_t modeY;
  int32_t modeZ;
};

void AlignSelected(AlignmentFrame& frame);
void AlignSingle(AlignmentFrame& frame);
void ResetAxisSettings(HostContainer* container);
void OpenHelpPage();

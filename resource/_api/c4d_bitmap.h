#pragma once
// OwnedBitmap: a host bitmap loaded from the plug-in's "res" folder, freed with its
// holder.

#include "c4d_host_abi.h"
#include "c4d_string.h"

class OwnedBitmap {
 public:
  // Loads `fileName` from the plug-in's "res" folder; stays empty when the host has no
  // bitmap for it or the file does not load.
  explicit OwnedBitmap(const HostString& fileName);
  ~OwnedBitmap();
  OwnedBitmap(const OwnedBitmap&) = delete;
  OwnedBitmap& operator=(const OwnedBitmap&) = delete;

  HostBitmap* Get() const { return bitmap_; }

 private:
  HostBitmap* bitmap_ = nullptr;
};

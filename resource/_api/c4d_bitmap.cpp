#include "c4d_bitmap.h"

#include "c4d_file.h"
#include "c4d_host_calls.h"
#include "c4d_pmain.h"

namespace {
constexpr int32_t kBitmapLoaded = 1;
}

OwnedBitmap::OwnedBitmap(const HostString& fileName) : bitmap_(BitmapNew()) {
  if (bitmap_ == nullptr) return;
  HostFileName folder = PluginFolder();
  HostString resText("res");
  HostFileName res(resText);
  HostFileName resFolder = folder + res;
  HostFileName file(fileName);
  HostFileName path = resFolder + file;
  if (BitmapLoadFile(bitmap_, path.Storage(), -1, 0) != kBitmapLoaded) {
    BitmapFree(bitmap_);
    bitmap_ = nullptr;
  }
}

OwnedBitmap::~OwnedBitmap() {
  BitmapFree(bitmap_);
  bitmap_ = nullptr;
}

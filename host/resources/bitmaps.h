#pragma once
// Bitmaps the module creates and loads from image files (TIFF, decoded by libtiff).
//
// BitmapLoadFile answers one of the BitmapLoadResult codes; only kBitmapLoaded (1)
// means success. A failed load leaves the bitmap empty (0 x 0). libtiff's warnings and
// errors never reach stderr: they are collected and can be read with DecoderMessages.
// Handles stay unique for the life of this object (a freed bitmap keeps a small
// record without pixels), so a bitmap freed twice is recognised and reported.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "c4d_host_abi.h"

namespace khost {

enum BitmapLoadResult : int32_t {
  kBitmapLoaded = 1,
  kBitmapFileMissing = 2,   // no such file, or it cannot be opened for reading
  kBitmapNotDecodable = 3,  // not a TIFF, damaged, no such frame, or too large
  kBitmapBadArguments = 4   // the bitmap or the file name is not live
};

class Bitmaps {
 public:
  Bitmaps();
  ~Bitmaps();
  Bitmaps(const Bitmaps&) = delete;
  Bitmaps& operator=(const Bitmaps&) = delete;

  // The operations of the bitmap sub-table call these.
  HostBitmap* BitmapNew();
  void BitmapFree(HostBitmap* bitmap);  // null is accepted and does nothing
  int32_t BitmapLoadFile(HostBitmap* bitmap, const HostFileNameStorage* name, int32_t frame,
                         int32_t last);

  // Host-side load from a path. `frame` -1 or 0 is the first image of the file, n the
  // (n+1)th; `last` is accepted and not used.
  int32_t LoadFromPath(HostBitmap* bitmap, const std::string& path, int32_t frame);

  // Makes the next `count` BitmapNew calls yield null (as a host out of memory).
  void FailNextNew(int count) { failNextNew_ = count; }

  bool IsLive(const HostBitmap* bitmap) const;
  // 0 for an empty or not live bitmap.
  int32_t Width(const HostBitmap* bitmap) const;
  int32_t Height(const HostBitmap* bitmap) const;
  // Pixels row by row from the top-left corner, 4 bytes each: red, green, blue, alpha,
  // with the colour premultiplied by alpha (as libtiff's RGBA reading delivers it, and
  // as a renderer composites it). Empty for an empty or not live bitmap.
  const std::vector<uint8_t>& Pixels(const HostBitmap* bitmap) const;
  std::array<uint8_t, 4> Pixel(const HostBitmap* bitmap, int32_t x, int32_t y) const;

  size_t LiveBitmaps() const { return live_; }
  // What libtiff said during loads, oldest first ("warning: ..." / "error: ...").
  const std::vector<std::string>& DecoderMessages() const { return decoderMessages_; }

  // Largest width or height accepted; bigger images are refused before decoding.
  static constexpr uint32_t kMaximumSide = 16384;

 private:
  struct Bitmap;
  Bitmap* LiveBitmap(const HostBitmap* bitmap) const;

  std::unordered_map<const HostBitmap*, std::unique_ptr<Bitmap>> bitmaps_;
  size_t live_ = 0;
  int failNextNew_ = 0;
  std::vector<std::string> decoderMessages_;
};

}  // namespace khost

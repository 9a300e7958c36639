#include "bitmaps.h"

#include <tiffio.h>

#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "host.h"
#include "host_operations.h"
#include "text_values.h"

namespace khost {

struct Bitmaps::Bitmap {
  bool alive = true;
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> pixels;
};

namespace {

const std::vector<uint8_t> kNoPixels;

std::string FormatMessage(const char* module, const char* format, va_list arguments) {
  char text[512];
  std::vsnprintf(text, sizeof text, format, arguments);
  return (module ? std::string(module) + ": " : std::string()) + text;
}

int CollectError(TIFF*, void* messages, const char* module, const char* format, va_list arguments) {
  static_cast<std::vector<std::string>*>(messages)->push_back(
      "error: " + FormatMessage(module, format, arguments));
  return 1;  // handled: libtiff's own handler, which prints to stderr, is not called
}

int CollectWarning(TIFF*, void* messages, const char* module, const char* format,
                   va_list arguments) {
  static_cast<std::vector<std::string>*>(messages)->push_back(
      "warning: " + FormatMessage(module, format, arguments));
  return 1;
}

// Opens with handlers that route every message of this handle into `messages`.
TIFF* OpenQuietly(const std::string& path, std::vector<std::string>& messages) {
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (options == nullptr) return nullptr;
  TIFFOpenOptionsSetErrorHandlerExtR(options, &CollectError, &messages);
  TIFFOpenOptionsSetWarningHandlerExtR(options, &CollectWarning, &messages);
  TIFF* tiff = TIFFOpenExt(path.c_str(), "r", options);
  TIFFOpenOptionsFree(options);
  return tiff;
}

}  // namespace

Bitmaps::Bitmaps() = default;
Bitmaps::~Bitmaps() = default;

HostBitmap* Bitmaps::BitmapNew() {
  if (failNextNew_ > 0) {
    --failNextNew_;
    return nullptr;
  }
  auto bitmap = std::make_unique<Bitmap>();
  auto* handle = reinterpret_cast<HostBitmap*>(bitmap.get());
  bitmaps_[handle] = std::move(bitmap);
  ++live_;
  return handle;
}

void Bitmaps::BitmapFree(HostBitmap* bitmap) {
  Host& host = Host::Current();
  if (bitmap == nullptr) return;
  const auto found = bitmaps_.find(bitmap);
  if (found == bitmaps_.end()) {
    host.misuse().Report("BitmapFree: a bitmap this host never handed out");
  } else if (!found->second->alive) {
    host.misuse().Report("BitmapFree: bitmap freed twice");
  } else {
    *found->second = Bitmap{};
    found->second->alive = false;
    --live_;
  }
}

int32_t Bitmaps::BitmapLoadFile(HostBitmap* bitmap, const HostFileNameStorage* name, int32_t frame,
                                int32_t /*last*/) {
  Host& host = Host::Current();
  const std::string* path = host.text().Path(name, "BitmapLoadFile");
  if (path == nullptr) {
    if (Bitmap* live = LiveBitmap(bitmap)) *live = Bitmap{};
    return kBitmapBadArguments;
  }
  return LoadFromPath(bitmap, *path, frame);
}

int32_t Bitmaps::LoadFromPath(HostBitmap* bitmap, const std::string& path, int32_t frame) {
  Bitmap* live = LiveBitmap(bitmap);
  if (live == nullptr) {
    Host::Current().misuse().Report("BitmapLoadFile: the bitmap is " +
                                    std::string(bitmap ? "not live" : "null"));
    return kBitmapBadArguments;
  }
  *live = Bitmap{};

  // libtiff would also open a folder or a device; only regular files are images.
  std::error_code problem;
  if (!std::filesystem::is_regular_file(path, problem) || !std::ifstream(path).good())
    return kBitmapFileMissing;

  std::vector<std::string> messages;
  TIFF* tiff = OpenQuietly(path, messages);
  int32_t result = kBitmapNotDecodable;
  if (tiff != nullptr) {
    uint32_t width = 0;
    uint32_t height = 0;
    const bool onFrame = frame <= 0 || TIFFSetDirectory(tiff, static_cast<tdir_t>(frame)) == 1;
    if (onFrame && TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width) == 1 &&
        TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height) == 1 && width > 0 && height > 0 &&
        width <= kMaximumSide && height <= kMaximumSide) {
      std::vector<uint32_t> raster(static_cast<size_t>(width) * height);
      if (TIFFReadRGBAImageOriented(tiff, width, height, raster.data(), ORIENTATION_TOPLEFT, 0) ==
          1) {
        live->width = static_cast<int32_t>(width);
        live->height = static_cast<int32_t>(height);
        live->pixels.resize(raster.size() * 4);
        for (size_t i = 0; i < raster.size(); ++i) {
          live->pixels[4 * i + 0] = static_cast<uint8_t>(TIFFGetR(raster[i]));
          live->pixels[4 * i + 1] = static_cast<uint8_t>(TIFFGetG(raster[i]));
          live->pixels[4 * i + 2] = static_cast<uint8_t>(TIFFGetB(raster[i]));
          live->pixels[4 * i + 3] = static_cast<uint8_t>(TIFFGetA(raster[i]));
        }
        result = kBitmapLoaded;
      }
    }
    TIFFClose(tiff);
  }
  for (std::string& message : messages) decoderMessages_.push_back(path + ": " + message);
  return result;
}

Bitmaps::Bitmap* Bitmaps::LiveBitmap(const HostBitmap* bitmap) const {
  const auto found = bitmaps_.find(bitmap);
  return found != bitmaps_.end() && found->second->alive ? found->second.get() : nullptr;
}

bool Bitmaps::IsLive(const HostBitmap* bitmap) const { return LiveBitmap(bitmap) != nullptr; }

int32_t Bitmaps::Width(const HostBitmap* bitmap) const {
  const Bitmap* live = LiveBitmap(bitmap);
  return live ? live->width : 0;
}

int32_t Bitmaps::Height(const HostBitmap* bitmap) const {
  const Bitmap* live = LiveBitmap(bitmap);
  return live ? live->height : 0;
}

const std::vector<uint8_t>& Bitmaps::Pixels(const HostBitmap* bitmap) const {
  const Bitmap* live = LiveBitmap(bitmap);
  return live ? live->pixels : kNoPixels;
}

std::array<uint8_t, 4> Bitmaps::Pixel(const HostBitmap* bitmap, int32_t x, int32_t y) const {
  const Bitmap* live = LiveBitmap(bitmap);
  if (live == nullptr || x < 0 || y < 0 || x >= live->width || y >= live->height) return {};
  const size_t at =
      4 * (static_cast<size_t>(y) * static_cast<size_t>(live->width) + static_cast<size_t>(x));
  return {live->pixels[at], live->pixels[at + 1], live->pixels[at + 2], live->pixels[at + 3]};
}

}  // namespace khost

namespace host_ops {

HostBitmap* BitmapNew(void) { return khost::Host::Current().bitmaps().BitmapNew(); }

void BitmapFree(HostBitmap* bitmap) { khost::Host::Current().bitmaps().BitmapFree(bitmap); }

int32_t BitmapLoadFile(HostBitmap* bitmap, const HostFileNameStorage* name, int32_t frame,
                       int32_t last) {
  return khost::Host::Current().bitmaps().BitmapLoadFile(bitmap, name, frame, last);
}

}  // namespace host_ops

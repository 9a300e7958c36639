// Bitmaps: TIFF files decoded into top-left RGBA pixels, result codes for missing and
// broken files, libtiff kept off stderr, and the ledger of live bitmaps.
#include "bitmaps.h"

#include <tiffio.h>

#include <array>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "host_fixture.h"
#include "temp_folder.h"

namespace khost_test {
namespace {

using Rgba = std::array<uint8_t, 4>;

// Writes an uncompressed TIFF with one image per entry of `frames` (each `width` x
// `height` pixels, rows from the top, `samples` 3 or 4 bytes per pixel).
bool WriteTiff(const std::string& path, uint32_t width, uint32_t height, uint16_t samples,
               const std::vector<std::vector<uint8_t>>& frames) {
  TIFF* tiff = TIFFOpen(path.c_str(), "w");
  if (tiff == nullptr) return false;
  bool ok = true;
  for (const std::vector<uint8_t>& pixels : frames) {
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, height);
    if (samples == 4) {
      const uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
      TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, extra);
    }
    std::vector<uint8_t> row;
    for (uint32_t y = 0; y < height; ++y) {
      row.assign(pixels.begin() + y * width * samples, pixels.begin() + (y + 1) * width * samples);
      ok = ok && TIFFWriteScanline(tiff, row.data(), y, 0) == 1;
    }
    ok = ok && TIFFWriteDirectory(tiff) == 1;
  }
  TIFFClose(tiff);
  return ok;
}

class BitmapsTest : public HostFixture {
 protected:
  HostBitmap* New() { return table::BitmapNew(host)(); }
  void Free(HostBitmap* bitmap) { table::BitmapFree(host)(bitmap); }
  int32_t Load(HostBitmap* bitmap, const std::string& path, int32_t frame = -1) {
    return table::BitmapLoadFile(host)(bitmap, MakeFileName(path), frame, 0);
  }
  khost::Bitmaps& bitmaps() { return host.bitmaps(); }

  TempFolder folder;
};

// 3 x 2: red, green, blue / white half transparent, black, clear.
const std::vector<uint8_t> kRgbaPixels = {255, 0,   0,   255, 0, 255, 0, 255, 0, 0, 255, 255,
                                          255, 255, 255, 128, 0, 0,   0, 255, 9, 9, 9,   0};

TEST_F(BitmapsTest, RgbaTiffLoadsWithItsSizeAndPixelsFromTheTopLeft) {
  const std::string path = folder.Path() + "/image.tif";
  ASSERT_TRUE(WriteTiff(path, 3, 2, 4, {kRgbaPixels}));
  HostBitmap* bitmap = New();
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(Load(bitmap, path), khost::kBitmapLoaded);
  EXPECT_EQ(bitmaps().Width(bitmap), 3);
  EXPECT_EQ(bitmaps().Height(bitmap), 2);
  // Colours come premultiplied by alpha: white at alpha 128 is 128 grey, and a fully
  // transparent pixel keeps no colour.
  const std::vector<uint8_t> premultiplied = {255, 0,   0,   255, 0, 255, 0, 255, 0, 0, 255, 255,
                                              128, 128, 128, 128, 0, 0,   0, 255, 0, 0, 0,   0};
  EXPECT_EQ(bitmaps().Pixels(bitmap), premultiplied);
  EXPECT_EQ(bitmaps().Pixel(bitmap, 0, 0), (Rgba{255, 0, 0, 255}));
  EXPECT_EQ(bitmaps().Pixel(bitmap, 0, 1), (Rgba{128, 128, 128, 128}));
  EXPECT_EQ(bitmaps().Pixel(bitmap, 3, 0), (Rgba{})) << "outside the image";
  Free(bitmap);
  EXPECT_TRUE(host.misuse().Empty());
}

TEST_F(BitmapsTest, RgbTiffIsOpaque) {
  const std::string path = folder.Path() + "/rgb.tif";
  ASSERT_TRUE(WriteTiff(path, 2, 1, 3, {{10, 20, 30, 40, 50, 60}}));
  HostBitmap* bitmap = New();
  EXPECT_EQ(Load(bitmap, path), 1);
  EXPECT_EQ(bitmaps().Pixels(bitmap), (std::vector<uint8_t>{10, 20, 30, 255, 40, 50, 60, 255}));
  Free(bitmap);
}

TEST_F(BitmapsTest, FrameSelectsAnImageOfAMultiImageFile) {
  const std::string path = folder.Path() + "/two.tif";
  ASSERT_TRUE(WriteTiff(path, 1, 1, 3, {{1, 2, 3}, {4, 5, 6}}));
  HostBitmap* bitmap = New();
  EXPECT_EQ(Load(bitmap, path, 0), 1);
  EXPECT_EQ(bitmaps().Pixel(bitmap, 0, 0), (Rgba{1, 2, 3, 255}));
  EXPECT_EQ(Load(bitmap, path, 1), 1);
  EXPECT_EQ(bitmaps().Pixel(bitmap, 0, 0), (Rgba{4, 5, 6, 255}));
  EXPECT_EQ(Load(bitmap, path, 2), khost::kBitmapNotDecodable);
  Free(bitmap);
}

struct BrokenCase {
  const char* title;
  std::string path;
  int32_t expected;
};

TEST_F(BitmapsTest, MissingOrBrokenFilesFailQuietlyAndEmptyTheBitmap) {
  const std::string good = folder.Path() + "/good.tif";
  ASSERT_TRUE(WriteTiff(good, 3, 2, 4, {kRgbaPixels}));
  std::ifstream goodFile(good, std::ios::binary);
  const std::string goodBytes((std::istreambuf_iterator<char>(goodFile)), {});
  // Header and the start of the pixels only: the directory at the end is gone.
  const std::string truncated = folder.Write("truncated.tif", goodBytes.substr(0, 20));
  const std::string text = folder.Write("text.tif", "this is not an image\n");
  const std::string empty = folder.Write("empty.tif", "");
  // A TIFF header whose first directory lies far beyond the end of the file.
  const std::string badOffset =
      folder.Write("offset.tif", std::string("II*\0\xff\xff\xff\x0f", 8) + std::string(16, '\0'));

  const std::vector<BrokenCase> cases = {
      {"no such file", folder.Path() + "/absent.tif", khost::kBitmapFileMissing},
      {"a folder", folder.Path(), khost::kBitmapFileMissing},
      {"text", text, khost::kBitmapNotDecodable},
      {"empty file", empty, khost::kBitmapNotDecodable},
      {"truncated", truncated, khost::kBitmapNotDecodable},
      {"directory offset past the end", badOffset, khost::kBitmapNotDecodable},
  };
  HostBitmap* bitmap = New();
  for (const BrokenCase& c : cases) {
    SCOPED_TRACE(c.title);
    ASSERT_EQ(Load(bitmap, good), 1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(Load(bitmap, c.path), c.expected);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "libtiff must not print";
    EXPECT_EQ(bitmaps().Width(bitmap), 0);
    EXPECT_EQ(bitmaps().Height(bitmap), 0);
    EXPECT_TRUE(bitmaps().Pixels(bitmap).empty());
  }
  EXPECT_FALSE(bitmaps().DecoderMessages().empty()) << "what libtiff said is kept";
  EXPECT_TRUE(host.misuse().Empty());
  Free(bitmap);
}

TEST_F(BitmapsTest, FreeAcceptsNullAndReportsTwiceAndUnknown) {
  HostBitmap* first = New();
  HostBitmap* second = New();
  EXPECT_NE(first, second);
  EXPECT_EQ(bitmaps().LiveBitmaps(), 2u);
  Free(nullptr);
  EXPECT_TRUE(host.misuse().Empty());
  Free(first);
  EXPECT_EQ(bitmaps().LiveBitmaps(), 1u);
  EXPECT_FALSE(bitmaps().IsLive(first));
  Free(first);
  EXPECT_TRUE(host.misuse().Mentions("freed twice"));
  int notABitmap = 0;
  Free(reinterpret_cast<HostBitmap*>(&notABitmap));
  EXPECT_TRUE(host.misuse().Mentions("never handed out"));
  EXPECT_EQ(bitmaps().LiveBitmaps(), 1u);
  Free(second);
  EXPECT_EQ(bitmaps().LiveBitmaps(), 0u);
}

TEST_F(BitmapsTest, LoadIntoAFreedBitmapOrFromADeadNameIsRefused) {
  const std::string path = folder.Path() + "/image.tif";
  ASSERT_TRUE(WriteTiff(path, 3, 2, 4, {kRgbaPixels}));
  HostBitmap* bitmap = New();
  Free(bitmap);
  EXPECT_EQ(Load(bitmap, path), khost::kBitmapBadArguments);
  EXPECT_TRUE(host.misuse().Mentions("BitmapLoadFile"));
  HostBitmap* live = New();
  HostFileNameStorage dead{};
  EXPECT_EQ(table::BitmapLoadFile(host)(live, &dead, -1, 0), khost::kBitmapBadArguments);
  Free(live);
}

TEST_F(BitmapsTest, NewCanBeMadeToFail) {
  bitmaps().FailNextNew(2);
  EXPECT_EQ(New(), nullptr);
  EXPECT_EQ(New(), nullptr);
  HostBitmap* bitmap = New();
  EXPECT_NE(bitmap, nullptr);
  EXPECT_EQ(bitmaps().LiveBitmaps(), 1u);
  Free(bitmap);
}

TEST_F(BitmapsTest, ShippedIconIsASquareImageWithTransparentAndOpaquePixels) {
  HostBitmap* bitmap = New();
  ASSERT_EQ(Load(bitmap, std::string(KESTRUM_SOURCE_DIR) + "/plugin/res/kestrum.tif"), 1);
  const int32_t side = bitmaps().Width(bitmap);
  EXPECT_TRUE(side == 32 || side == 64) << side;
  EXPECT_EQ(bitmaps().Height(bitmap), side);
  size_t transparent = 0;
  size_t opaque = 0;
  const std::vector<uint8_t>& pixels = bitmaps().Pixels(bitmap);
  for (size_t i = 3; i < pixels.size(); i += 4) {
    transparent += pixels[i] == 0;
    opaque += pixels[i] == 255;
  }
  EXPECT_GT(transparent, 0u);
  EXPECT_GT(opaque, 0u);
  EXPECT_EQ(bitmaps().Pixel(bitmap, 0, 0)[3], 0) << "the corner is background";
  Free(bitmap);
}

}  // namespace
}  // namespace khost_test

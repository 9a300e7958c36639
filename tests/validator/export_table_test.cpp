// The ELF dynamic symbol reader on real files: the built module, a fixture that
// exports one symbol too many, and files that are not shared objects.

#include "export_table.h"

#include <gtest/gtest.h>

#include "temp_folder.h"

namespace {

using khost::validator::ReadExportTable;

TEST(ExportTable, BuiltModuleDefinesOnlyItsEntryPoint) {
  std::string error;
  const auto table = ReadExportTable(KESTRUM_BINARY_DIR "/plugins/kestrum/kestrum.cdl", error);
  ASSERT_TRUE(table) << error;
  EXPECT_EQ(std::vector<std::string>{"c4d_main"}, table->defined);
}

TEST(ExportTable, ExtraExportIsListedSorted) {
  std::string error;
  const auto table =
      ReadExportTable(KESTRUM_BINARY_DIR "/fixtures/broken_extra_export/kestrum.cdl", error);
  ASSERT_TRUE(table) << error;
  EXPECT_EQ((std::vector<std::string>{"c4d_main", "kestrum_debug_state"}), table->defined);
}

TEST(ExportTable, RefusesFilesThatAreNotSharedObjects) {
  khost_test::TempFolder folder;
  const std::string text = folder.Write("kestrum.cdl", "not a library");
  std::string error;
  EXPECT_FALSE(ReadExportTable(text, error));
  EXPECT_NE(std::string::npos, error.find("is not an ELF file")) << error;

  // A truncated ELF header: the magic alone.
  const std::string truncated = folder.Write("short.cdl", std::string("\x7f"
                                                                      "ELF\x02\x01",
                                                                      6));
  EXPECT_FALSE(ReadExportTable(truncated, error));

  EXPECT_FALSE(ReadExportTable(folder.Path() + "/missing.cdl", error));
  EXPECT_NE(std::string::npos, error.find("cannot open")) << error;
}

}  // namespace

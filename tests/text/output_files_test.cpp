// Output files are put in place whole or not at all.

#include "output_files.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "command_runner.h"
#include "input_error.h"
#include "temp_folder.h"

namespace kcommand {
namespace {

using khost_test::Contents;

TEST(AtomicWrite, AWriterThatFailsHalfwayLeavesNoFile) {
  khost_test::TempFolder folder;
  const std::string path = folder.Path() + "/out.json";
  OutputFiles files;
  EXPECT_THROW(files.Stage(path,
                           [](const ByteSink& sink) {
                             sink("{\"objects\": [");
                             throw InputError("out.json: a placement cannot be written");
                           }),
               InputError);
  files.Commit();
  EXPECT_TRUE(std::filesystem::is_empty(folder.Path()));
}

TEST(AtomicWrite, ReplacesTheFileAndLeavesNothingElseBehind) {
  khost_test::TempFolder folder;
  const std::string path = folder.Write("out.json", "old");
  WriteFileAtomically(path, "new content");
  EXPECT_EQ("new content", Contents(path));
  size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(1u, files);
}

TEST(AtomicWrite, AFolderThatIsNotThereIsAnInputError) {
  khost_test::TempFolder folder;
  const std::string path = folder.Path() + "/no/such/folder/out.json";
  EXPECT_THROW(WriteFileAtomically(path, "x"), InputError);
  EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace kcommand

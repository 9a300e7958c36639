#pragma once
// Where each scene of a batch (kestrum align A B -o FOLDER/) is written.

#include <filesystem>
#include <string>
#include <vector>

namespace kcommand {

// FOLDER/<the scene's file name>, or with `keepFolders` FOLDER/<its path relative to the
// folder all the scenes share>. Throws InputError naming both scenes when two would be
// written to one file, before any is read.
std::vector<std::filesystem::path> BatchOutputs(const std::vector<std::string>& scenes,
                                                const std::filesystem::path& folder,
                                                bool keepFolders);

}  // namespace kcommand

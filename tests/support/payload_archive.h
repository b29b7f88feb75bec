#pragma once
// Payload volumes as the product ships them: made by Info-ZIP's zip with the archive
// password, from files given in memory, on the posix machine.

#ifndef _WIN32

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "engine/install_settings.h"
#include "platform/posix/posix_machine.h"

namespace test_support {

// Zips the files (relative path with "/", content) with the archive password into the volume
// at the Windows path volume, replacing it; stored_paths are stored without compression.
// work_dir is a host folder the files are laid out in first.
inline void MakePayloadArchive(const std::string& work_dir, const std::string& volume,
                               const std::vector<std::pair<std::string, std::string>>& files,
                               const std::vector<std::string>& stored_paths = {}) {
    const std::filesystem::path tree = work_dir + "/payload-tree";
    std::filesystem::remove_all(tree);
    for (const auto& [relative, content] : files) {
        const std::filesystem::path host = tree / relative;
        std::filesystem::create_directories(host.parent_path());
        std::ofstream(host, std::ios::binary) << content;
    }
    const std::filesystem::path archive = platform::PosixMachine::HostPath(volume);
    std::filesystem::remove(archive);
    auto zip = [&](const std::string& options, const std::string& names) {
        const std::string command = "cd '" + tree.string() + "' && zip -q -X -P " + engine::kArchivePassword + " " +
                                    options + " '" + archive.string() + "' " + names;
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    };
    std::string compressed;
    std::string stored;
    for (const auto& [relative, content] : files) {
        const bool is_stored = std::find(stored_paths.begin(), stored_paths.end(), relative) != stored_paths.end();
        (is_stored ? stored : compressed) += " '" + relative + "'";
    }
    if (!compressed.empty()) zip("-9", compressed);
    if (!stored.empty()) zip("-0", stored);
}

}  // namespace test_support

#endif  // _WIN32

#pragma once
// The fuzz targets that read whole archives hand each input to the component as a file, since
// the component opens archives by name. One file per process, in the temporary folder.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace fuzz_support {

// Writes the input to this process's archive file (named after prefix) and returns its path.
inline const std::string& WriteInputFile(const char* prefix, const uint8_t* data, size_t size) {
    static const std::string path = [prefix] {
        std::random_device random;
        return (std::filesystem::temp_directory_path() /
                (std::string(prefix) + std::to_string(random()) + ".zip")).string();
    }();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return path;
}

}  // namespace fuzz_support

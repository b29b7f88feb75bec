#include "setup/setup_log.h"

#include <memory>

#include "platform/file_system.h"
#include "platform/platform.h"

namespace setup {

bool SetupLog::Write(const std::string& text) {
    if (!Enabled()) return false;
    platform::FileSystem& files = platform::Files();
    std::unique_ptr<platform::File> file = files.FileExists(file_) ? files.OpenFile(file_, platform::OpenMode::ReadWrite)
                                                                   : files.OpenFile(file_, platform::OpenMode::Create);
    if (file == nullptr || file->Seek(0, platform::SeekOrigin::End) < 0) return false;
    const std::string line = text + "\r\n";
    return file->Write(line.data(), static_cast<int64_t>(line.size())) == static_cast<int64_t>(line.size());
}

}  // namespace setup

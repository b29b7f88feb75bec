#pragma once
// TZipFileStream: a file opened through the platform's file system with the buffered layer
// on top. The archive is read through it and every extracted file is written through it.

#include <memory>
#include <string>

#include "platform/file_system.h"
#include "zip/buffer_stream.h"

namespace zip {

// A platform file as a plain stream (no buffering).
class PlatformFileStream : public TStream {
public:
    explicit PlatformFileStream(std::unique_ptr<platform::File> file) : file_(std::move(file)) {}
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, int origin) override;
    int64_t GetSize() override;
    void SetSize(int64_t size) override;
    platform::File& Handle() { return *file_; }

private:
    std::unique_ptr<platform::File> file_;
};

class TZipFileStream : public TBufferStream {
public:
    // Opens file_name with mode; EFileError "Cannot open file \"<name>\"..." when the
    // platform refuses.
    TZipFileStream(const std::string& file_name, platform::OpenMode mode);
    // The archive whose contents are read through contents (the segments of a split
    // archive, say), while file_name, opened for reading, stands for it in Handle (its date).
    TZipFileStream(const std::string& file_name, std::unique_ptr<TStream> contents);
    // Writes pending bytes, then closes the file.
    ~TZipFileStream() override;

    // The open file, for its date and time.
    platform::File& Handle() { return file_->Handle(); }
    const std::string& FileName() const { return file_name_; }

private:
    std::unique_ptr<PlatformFileStream> file_;
    std::unique_ptr<TStream> contents_;  // when the contents are not file_'s own
    std::string file_name_;
};

}  // namespace zip

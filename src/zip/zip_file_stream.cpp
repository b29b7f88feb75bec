#include "zip/zip_file_stream.h"

#include "platform/platform.h"
#include "zip/zip_errors.h"

namespace zip {

int64_t PlatformFileStream::Read(void* buffer, int64_t count) {
    const int64_t got = file_->Read(buffer, count);
    return got > 0 ? got : 0;
}

int64_t PlatformFileStream::Write(const void* buffer, int64_t count) {
    const int64_t written = file_->Write(buffer, count);
    return written > 0 ? written : 0;
}

int64_t PlatformFileStream::Seek(int64_t offset, int origin) {
    platform::SeekOrigin from = platform::SeekOrigin::Begin;
    if (origin == 1) from = platform::SeekOrigin::Current;
    if (origin == 2) from = platform::SeekOrigin::End;
    const int64_t position = file_->Seek(offset, from);
    if (position < 0) throw EStreamError("Seek error");
    return position;
}

int64_t PlatformFileStream::GetSize() { return file_->Size(); }

void PlatformFileStream::SetSize(int64_t size) {
    if (!file_->SetSize(size)) throw EStreamError("Cannot set the size of the file");
}

namespace {

std::unique_ptr<PlatformFileStream> OpenPlatformFile(const std::string& file_name, platform::OpenMode mode) {
    platform::FileSystem& files = platform::Files();
    std::unique_ptr<platform::File> file = files.OpenFile(file_name, mode);
    if (!file) {
        const char* verb = mode == platform::OpenMode::Create ? "Cannot create file \"" : "Cannot open file \"";
        std::string message = verb + file_name + "\"";
        const std::string reason = files.LastErrorText();
        if (!reason.empty()) message += ". " + reason;
        throw EFileError(message);
    }
    return std::make_unique<PlatformFileStream>(std::move(file));
}

}  // namespace

TZipFileStream::TZipFileStream(const std::string& file_name, platform::OpenMode mode)
    : TBufferStream(nullptr), file_(OpenPlatformFile(file_name, mode)), file_name_(file_name) {
    underlying_ = file_.get();
}

TZipFileStream::TZipFileStream(const std::string& file_name, std::unique_ptr<TStream> contents)
    : TBufferStream(nullptr),
      file_(OpenPlatformFile(file_name, platform::OpenMode::ReadDenyWrite)),
      contents_(std::move(contents)),
      file_name_(file_name) {
    underlying_ = contents_.get();
}

TZipFileStream::~TZipFileStream() {
    // A flush failure cannot be reported from a destructor; callers that must know close
    // through FlushBuffer first.
    if (CurrentState() == State::Writing) FlushBuffer();
}

}  // namespace zip

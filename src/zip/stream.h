#pragma once
// The abstract stream every archive read and every extracted-file write goes through:
// get size, set size, read, write and seek. TBufferStream and TZipFileStream build on it;
// tests use an in-memory stream.

#include <cstdint>

namespace zip {

class TStream {
public:
    virtual ~TStream() = default;
    // Reads up to count bytes into buffer; returns the number read.
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    // Writes count bytes; returns the number accepted.
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    // origin 0 from the beginning, 1 from the current position, 2 from the end; returns the
    // new position.
    virtual int64_t Seek(int64_t offset, int origin) = 0;
    virtual int64_t GetSize();
    virtual void SetSize(int64_t size) = 0;
    // Memory for the next size bytes written from the current position, when the stream keeps
    // what it is given in memory; nullptr otherwise (the default). A writer may build its bytes
    // there before it passes them to Write from that same place, which then need not copy them;
    // the memory stays valid until those bytes are written.
    virtual uint8_t* DirectArea(int64_t /*size*/) { return nullptr; }

    int64_t Position() { return Seek(0, 1); }
    void SetPosition(int64_t position) { Seek(position, 0); }
};

}  // namespace zip

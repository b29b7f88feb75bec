#pragma once
// TBufferStream: an 8,192-byte buffer in front of another stream, so that the byte-by-byte
// scans and small header reads of the archive, and the writes of extracted files, cost no
// system call each. A seek to the position the stream already has keeps the buffer.

#include <cstdint>
#include <functional>
#include <memory>

#include "zip/stream.h"

namespace zip {

// The buffer size every buffered stream takes at construction.
extern int BufferStreamSize;
constexpr int kDefaultBufferStreamSize = 8192;

class TBufferStream : public TStream {
public:
    enum class State { Unknown = 0, Reading = 1, Writing = 2 };

    // underlying is not owned and must outlive this stream.
    explicit TBufferStream(TStream* underlying);
    // Pending bytes are not written here: a derived class that owns the underlying stream
    // flushes them before it closes it.
    ~TBufferStream() override;

    // Returns the number of bytes copied; fewer than count only at the end of the data.
    int64_t Read(void* buffer, int64_t count) override;
    // Returns the number of bytes taken into the buffer; stops short when a flush fails.
    int64_t Write(const void* buffer, int64_t count) override;
    // origin 0 beginning, 1 current, 2 end (where -n and n both mean n bytes before the end).
    // Another origin raises Exception "Invalid seek origin (%d)"; pending bytes that cannot be
    // written raise EStreamError "Seek error".
    int64_t Seek(int64_t offset, int origin) override;
    int64_t GetSize() override;
    void SetSize(int64_t size) override;

    // Steps back one byte and stores value there, so the next read returns it; EStreamError
    // "Putback overflow" at the start of the buffer.
    virtual void PutBack(uint8_t value);

    // Reads up to BufferSize bytes; true when any byte arrived.
    virtual bool FillBuffer();
    // Writes the pending bytes; true when all of them were written.
    virtual bool FlushBuffer();

    int BufferSize() const { return buffer_size_; }
    State CurrentState() const { return state_; }

    std::function<void(TBufferStream&)> OnBufferFilled;
    std::function<void(TBufferStream&)> OnBufferFlushed;

protected:
    virtual void BufferFilled() {
        if (OnBufferFilled) OnBufferFilled(*this);
    }
    virtual void BufferFlushed() {
        if (OnBufferFlushed) OnBufferFlushed(*this);
    }
    TStream* underlying_;

private:
    int64_t LogicalPosition();

    std::unique_ptr<uint8_t[]> buffer_;
    int position_ = -1;  // -1: no current position yet
    int end_ = 0;
    int buffer_size_;
    State state_ = State::Unknown;
};

}  // namespace zip

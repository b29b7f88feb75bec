#include "zip/buffer_stream.h"

#include <cstring>

#include "zip/message_table.h"
#include "zip/zip_errors.h"

namespace zip {

int BufferStreamSize = kDefaultBufferStreamSize;

TBufferStream::TBufferStream(TStream* underlying)
    : underlying_(underlying), buffer_(new uint8_t[BufferStreamSize]), buffer_size_(BufferStreamSize) {}

TBufferStream::~TBufferStream() = default;

bool TBufferStream::FillBuffer() {
    const int64_t got = underlying_->Read(buffer_.get(), buffer_size_);
    position_ = 0;
    end_ = got > 0 ? static_cast<int>(got) : 0;
    state_ = end_ > 0 ? State::Reading : State::Unknown;
    BufferFilled();
    return end_ > 0;
}

bool TBufferStream::FlushBuffer() {
    const int pending = position_ > 0 ? position_ : 0;
    const int64_t written = pending > 0 ? underlying_->Write(buffer_.get(), pending) : 0;
    position_ = 0;
    end_ = 0;
    state_ = State::Unknown;
    BufferFlushed();
    return written == pending;
}

int64_t TBufferStream::Read(void* buffer, int64_t count) {
    if (state_ == State::Writing) FlushBuffer();
    if (position_ < 0) {
        position_ = 0;
        end_ = 0;
    }
    uint8_t* destination = static_cast<uint8_t*>(buffer);
    int64_t copied = 0;
    while (copied < count) {
        if (position_ >= end_) {
            // A large read past an empty buffer goes straight to the underlying stream.
            if (count - copied >= buffer_size_) {
                const int64_t got = underlying_->Read(destination + copied, count - copied);
                position_ = 0;
                end_ = 0;
                state_ = State::Unknown;
                if (got <= 0) break;
                copied += got;
                continue;
            }
            if (!FillBuffer()) break;
        }
        const int64_t available = end_ - position_;
        const int64_t take = count - copied < available ? count - copied : available;
        std::memcpy(destination + copied, buffer_.get() + position_, static_cast<size_t>(take));
        position_ += static_cast<int>(take);
        copied += take;
    }
    return copied;
}

int64_t TBufferStream::Write(const void* buffer, int64_t count) {
    if (state_ == State::Reading) {
        // Mixing reads and writes without a seek: drop what was read ahead, so the write
        // lands at the logical position.
        Seek(0, 1);
    }
    if (position_ < 0) {
        position_ = 0;
        end_ = 0;
    }
    const uint8_t* source = static_cast<const uint8_t*>(buffer);
    int64_t copied = 0;
    if (position_ == 0 && count >= buffer_size_) {
        // Nothing pending and a whole buffer's worth: no point copying it through the buffer.
        const int64_t written = underlying_->Write(source, count);
        state_ = State::Unknown;
        return written > 0 ? written : 0;
    }
    while (copied < count) {
        const int64_t room = buffer_size_ - position_;
        const int64_t take = count - copied < room ? count - copied : room;
        std::memcpy(buffer_.get() + position_, source + copied, static_cast<size_t>(take));
        position_ += static_cast<int>(take);
        copied += take;
        if (position_ == buffer_size_) {
            if (!FlushBuffer()) break;
        }
    }
    state_ = position_ > 0 ? State::Writing : State::Unknown;
    return copied;
}

int64_t TBufferStream::LogicalPosition() {
    const int64_t underlying = underlying_->Seek(0, 1);
    if (state_ == State::Reading && position_ >= 0) return underlying - (end_ - position_);
    if (state_ == State::Writing && position_ > 0) return underlying + position_;
    return underlying;
}

int64_t TBufferStream::Seek(int64_t offset, int origin) {
    const int64_t logical = LogicalPosition();
    int64_t target = 0;
    switch (origin) {
        case 0:
            target = offset;
            break;
        case 1:
            target = logical + offset;
            break;
        case 2: {
            const int64_t size = underlying_->GetSize();
            const int64_t end = size > logical ? size : logical;
            target = end - (offset < 0 ? -offset : offset);
            break;
        }
        default: {
            std::string message = MessageText("S_Stream", 2);
            const size_t at = message.find("%d");
            if (at != std::string::npos) message.replace(at, 2, std::to_string(origin));
            throw Exception(message);
        }
    }
    if (target == logical) return target;
    if (state_ == State::Writing && position_ > 0 && !FlushBuffer()) throw EStreamError(MessageText("S_Stream", 1));
    underlying_->Seek(target, 0);
    position_ = -1;
    end_ = 0;
    state_ = State::Unknown;
    return target;
}

int64_t TBufferStream::GetSize() {
    const int64_t size = underlying_->GetSize();
    const int64_t logical = LogicalPosition();
    return size > logical ? size : logical;
}

void TBufferStream::SetSize(int64_t size) {
    if (state_ == State::Writing && position_ > 0) FlushBuffer();
    const int64_t logical = LogicalPosition();
    position_ = -1;
    end_ = 0;
    state_ = State::Unknown;
    underlying_->Seek(logical, 0);
    underlying_->SetSize(size);
}

void TBufferStream::PutBack(uint8_t value) {
    if (position_ <= 0) throw EStreamError(MessageText("S_Stream", 3));
    --position_;
    buffer_[position_] = value;
}

}  // namespace zip

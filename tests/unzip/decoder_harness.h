#pragma once
// Runs a decoder over one entry held in memory, the way the per-entry step prepares it:
// archive positioned on the data, counters reset, CRC register at FFFFFFFF. Records the
// progress events and reports what reached the output file.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/memory_stream.h"
#include "unzip/unzip_context.h"

namespace unzip_test {

using test_support::MemoryStream;

struct DecodeResult {
    std::vector<uint8_t> output;  // what reached the output file
    uint32_t crc = 0;             // the complemented CRC register
    std::string error;            // the text of the exception that ended the decoder, if any
};

class DecoderHarness {
public:
    DecoderHarness() : context(std::make_unique<unzip::TUnZipContext>()) {}

    // Prepares an entry whose compressed bytes are data and whose claimed size is
    // uncompressed_size; compressed_size defaults to the data's length.
    void Prepare(std::vector<uint8_t> data, uint32_t uncompressed_size, int64_t compressed_size = -1) {
        archive = std::make_unique<MemoryStream>(std::move(data));
        output = std::make_unique<MemoryStream>();
        unzip::TUnZipContext& c = *context;
        c.ArchiveStream = archive.get();
        c.OutFile = output.get();
        c.CurrentEntry.CompressedSize =
            static_cast<uint32_t>(compressed_size >= 0 ? compressed_size : static_cast<int64_t>(archive->Bytes().size()));
        c.CurrentEntry.UncompressedSize = uncompressed_size;
        c.BytesLeft = c.CurrentEntry.CompressedSize;
        c.EntrySize = uncompressed_size;
        c.BitCount = 0;
        c.BitBuf = 0;
        c.EntryWritten = 0;
        c.InCount = 0;
        c.OutCount = 0;
        c.write_position = c.OutBuf;
        c.RunningCrc = 0xFFFFFFFF;
    }

    // Runs decoder and collects the result; exceptions of the ZIP layer are recorded.
    DecodeResult Run(const std::function<void(unzip::TUnZipContext&)>& decoder) {
        DecodeResult result;
        try {
            decoder(*context);
        } catch (const std::exception& error) {
            result.error = error.what();
        }
        result.output = output->Bytes();
        result.crc = ~context->RunningCrc;
        return result;
    }

    std::unique_ptr<unzip::TUnZipContext> context;
    std::unique_ptr<MemoryStream> archive;
    std::unique_ptr<MemoryStream> output;
};

// The encrypting side, kept apart from the code under test: its own CRC table and keys.
class Encryptor {
public:
    explicit Encryptor(const std::string& password) {
        for (uint32_t byte = 0; byte < 256; ++byte) {
            uint32_t value = byte;
            for (int bit = 0; bit < 8; ++bit) value = (value >> 1) ^ ((value & 1u) ? 0xEDB88320u : 0u);
            table_[byte] = value;
        }
        for (char character : password) Update(static_cast<uint8_t>(character));
    }
    std::vector<uint8_t> Encrypt(const std::vector<uint8_t>& plain) {
        std::vector<uint8_t> cipher;
        for (uint8_t value : plain) {
            const uint32_t temp = (keys_[2] & 0xFFFFu) | 2u;
            cipher.push_back(static_cast<uint8_t>(value ^ ((temp * (temp ^ 1u)) >> 8)));
            Update(value);
        }
        return cipher;
    }

private:
    uint32_t Crc(uint32_t value, uint8_t byte) const { return table_[(value ^ byte) & 0xFFu] ^ (value >> 8); }
    void Update(uint8_t value) {
        keys_[0] = Crc(keys_[0], value);
        keys_[1] = (keys_[1] + (keys_[0] & 0xFFu)) * 134775813u + 1u;
        keys_[2] = Crc(keys_[2], static_cast<uint8_t>(keys_[1] >> 24));
    }
    uint32_t table_[256];
    uint32_t keys_[3] = {0x12345678u, 0x23456789u, 0x34567890u};
};

// Inflates data claimed to hold uncompressed_size bytes.
inline DecodeResult InflateBytes(const std::vector<uint8_t>& data, int32_t uncompressed_size) {
    DecoderHarness harness;
    harness.Prepare(data, uncompressed_size);
    return harness.Run(unzip::Inflate);
}

}  // namespace unzip_test

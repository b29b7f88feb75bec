// Traditional decryption against a small encryptor written here from the published
// algorithm, the encryption header check, and decryption on the fly under a decoder.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "unzip/decoder_harness.h"
#include "unzip/unzip_context.h"

namespace {

using unzip_test::DecoderHarness;
using unzip_test::Encryptor;
using Bytes = std::vector<uint8_t>;

// An encrypted entry: 12 header bytes ending in check_byte, then the data.
Bytes EncryptedEntry(const std::string& password, uint8_t check_byte, const Bytes& data) {
    Bytes plain = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, check_byte};
    plain.insert(plain.end(), data.begin(), data.end());
    return Encryptor(password).Encrypt(plain);
}

Bytes Sample(size_t size) {
    Bytes bytes(size);
    for (size_t index = 0; index < size; ++index) bytes[index] = static_cast<uint8_t>((index * 7) ^ (index >> 3));
    return bytes;
}

TEST(Decryption, RoundTripThroughTheStoredCopyWithTheKeysTheHeaderLeft) {
    const Bytes data = Sample(40000);
    const Bytes entry = EncryptedEntry("secret", 0xC3, data);
    DecoderHarness harness;
    harness.Prepare(entry, static_cast<int32_t>(data.size()));
    unzip::TUnZipContext& context = *harness.context;
    context.CurrentEntry.BitFlag = 1;
    EXPECT_EQ(unzip::CheckPassword(context, "secret", *harness.archive), 0xC3);
    EXPECT_EQ(context.CurrentEntry.CompressedSize, data.size());
    EXPECT_EQ(harness.Run(unzip::CopyStored).output, data);
}

TEST(Decryption, RoundTripThroughReadByteAcrossRefills) {
    const Bytes data = Sample(33000);
    DecoderHarness harness;
    harness.Prepare(EncryptedEntry("", 0x11, data), 0);
    unzip::TUnZipContext& context = *harness.context;
    context.CurrentEntry.BitFlag = 1;
    EXPECT_EQ(unzip::CheckPassword(context, "", *harness.archive), 0x11);
    context.BytesLeft = context.CurrentEntry.CompressedSize;
    Bytes read;
    uint8_t value = 0;
    while (unzip::ReadByte(context, value) == unzip::kByteRead) read.push_back(value);
    EXPECT_EQ(read, data);
}

TEST(Decryption, WrongPasswordGivesAnotherCheckByteAndRetryingSucceeds) {
    const Bytes entry = EncryptedEntry("right", 0x5A, Sample(10));
    DecoderHarness harness;
    harness.Prepare(entry, 10);
    unzip::TUnZipContext& context = *harness.context;
    const uint8_t wrong = unzip::CheckPassword(context, "wrong", *harness.archive);
    EXPECT_NE(wrong, 0x5A);
    // The caller steps back over the header to try again.
    harness.archive->Seek(-12, 1);
    context.CurrentEntry.CompressedSize += 12;
    EXPECT_EQ(unzip::CheckPassword(context, "right", *harness.archive), 0x5A);
    EXPECT_EQ(context.CurrentEntry.CompressedSize, 10u);
}

TEST(Decryption, KeysFollowThePublishedStartAndUpdate) {
    DecoderHarness harness;
    unzip::TUnZipContext& context = *harness.context;
    unzip::InitKeys(context, "");
    EXPECT_EQ(context.Key0, 0x12345678u);
    EXPECT_EQ(context.Key1, 0x23456789u);
    EXPECT_EQ(context.Key2, 0x34567890u);
    uint8_t buffer[3] = {0, 0, 0};
    const uint8_t first = unzip::DecryptByte(context);
    unzip::DecryptBuffer(context, buffer, 3);
    EXPECT_EQ(buffer[0], first);
    EXPECT_NE(context.Key0, 0x12345678u);
}

}  // namespace

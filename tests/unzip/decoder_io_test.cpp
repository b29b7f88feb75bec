// The decoders' input and output layer: refills and their side effects, the bit readers at
// the end of the data, the size guard, the CRC and the progress percentages, the stored
// copy, and the move into the next volume of a spanned archive.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "unzip/crc32.h"
#include "unzip/decoder_harness.h"
#include "support/memory_stream.h"
#include "unzip/unzip_context.h"
#include "zip/zip_errors.h"

namespace {

using unzip_test::DecoderHarness;
using unzip_test::DecodeResult;
using test_support::MemoryStream;
using Bytes = std::vector<uint8_t>;

Bytes Sequence(size_t size) {
    Bytes bytes(size);
    for (size_t index = 0; index < size; ++index) bytes[index] = static_cast<uint8_t>(index * 31 + index / 251);
    return bytes;
}

TEST(Crc32, KnownValuesAndAnyBufferSplit) {
    EXPECT_EQ(~unzip::Crc32Update(0xFFFFFFFFu, nullptr, 0), 0u);
    const std::string check = "123456789";
    EXPECT_EQ(~unzip::Crc32Update(0xFFFFFFFFu, reinterpret_cast<const uint8_t*>(check.data()), check.size()),
              0xCBF43926u);
    // The wide paths (folding, slicing) agree with the byte step at every length and offset.
    const Bytes data = Sequence(1000);
    for (size_t length : {1u, 7u, 8u, 15u, 63u, 64u, 65u, 127u, 128u, 200u, 511u, 512u, 575u, 767u, 999u}) {
        for (size_t offset : {0u, 1u}) {
            SCOPED_TRACE(length * 10 + offset);
            uint32_t by_byte = 0xFFFFFFFFu;
            for (size_t index = 0; index < length; ++index) by_byte = unzip::Crc32Step(by_byte, data[offset + index]);
            EXPECT_EQ(unzip::Crc32Update(0xFFFFFFFFu, data.data() + offset, length), by_byte);
        }
    }
}

TEST(ReadByte, RefillsSixteenThousandAtATimeAndLetsMessagesRunEachTime) {
    DecoderHarness harness;
    harness.Prepare(Sequence(40000), 0);
    unzip::TUnZipContext& context = *harness.context;
    int messages = 0;
    context.hooks.process_messages = [&] { ++messages; };
    uint8_t value = 0;
    for (int index = 0; index < 16001; ++index) ASSERT_EQ(unzip::ReadByte(context, value), unzip::kByteRead);
    EXPECT_EQ(messages, 2);
    EXPECT_EQ(context.InCount, 15999);
    EXPECT_EQ(context.CurrentEntry.CompressedSize, 40000 - 32000);
    context.DoProcessMessages = false;
    for (int index = 16001; index < 40000; ++index) ASSERT_EQ(unzip::ReadByte(context, value), unzip::kByteRead);
    EXPECT_EQ(messages, 2);
    EXPECT_EQ(value, Sequence(40000).back());
    // Past the end: no byte, and BytesLeft keeps counting down.
    EXPECT_EQ(unzip::ReadByte(context, value), unzip::kNoByte);
    EXPECT_EQ(unzip::ReadByte(context, value), unzip::kNoByte);
    EXPECT_EQ(context.BytesLeft, -2);
}

TEST(ReadByte, ArchiveShorterThanTheEntryRaisesPrematureEnd) {
    DecoderHarness harness;
    harness.Prepare(Sequence(100), 0, 200);
    uint8_t value = 0;
    try {
        unzip::ReadByte(*harness.context, value);
        FAIL() << "no exception";
    } catch (const zip::EFatalUnzipError& error) {
        EXPECT_STREQ(error.what(), "Premature end of file reached");
    }
}

TEST(ReadByte, SpannedArchiveContinuesInTheNextVolume) {
    const Bytes data = Sequence(30000);
    DecoderHarness harness;
    harness.Prepare(Bytes(data.begin(), data.begin() + 10000), 0, 30000);
    MemoryStream second(Bytes(data.begin() + 10000, data.begin() + 12000));
    MemoryStream third(Bytes(data.begin() + 12000, data.end()));
    unzip::TUnZipContext& context = *harness.context;
    context.MultiVolume = true;
    context.CurrentDisk = 0;
    std::vector<int> asked;
    context.hooks.load_volume = [&](int number) -> zip::TStream* {
        asked.push_back(number);
        return number == 2 ? static_cast<zip::TStream*>(&second) : &third;
    };
    Bytes read;
    uint8_t value = 0;
    while (unzip::ReadByte(context, value) == unzip::kByteRead) read.push_back(value);
    EXPECT_EQ(read, data);
    EXPECT_EQ(asked, (std::vector<int>{2, 3}));
    EXPECT_EQ(context.CurrentDisk, 2);
    EXPECT_EQ(context.ArchiveStream, &third);
}

TEST(ReadByte, EmptyNextVolumeEndsTheDataInsteadOfAskingForever) {
    DecoderHarness harness;
    harness.Prepare(Sequence(100), 0, 300);
    MemoryStream empty;
    int asked = 0;
    harness.context->MultiVolume = true;
    harness.context->hooks.load_volume = [&](int) -> zip::TStream* {
        ++asked;
        return &empty;
    };
    uint8_t value = 0;
    EXPECT_THROW(unzip::ReadByte(*harness.context, value), zip::EFatalUnzipError);
    EXPECT_EQ(asked, 1);
}

TEST(BitReaders, ReadBitsPastTheEndGivesZerosAndAtEndOnlyOnAnEmptyRefill) {
    DecoderHarness harness;
    harness.Prepare({0xA5, 0x0F}, 0);
    unzip::TUnZipContext& context = *harness.context;
    EXPECT_EQ(unzip::ReadBits(context, 4), 0x5);
    EXPECT_FALSE(context.AtEnd);  // the fill found both bytes
    EXPECT_EQ(unzip::ReadBits(context, 8), 0xFA);
    EXPECT_EQ(unzip::ReadBits(context, 4), 0x0);
    EXPECT_FALSE(context.AtEnd);
    EXPECT_EQ(unzip::ReadBits(context, 16), 0);
    EXPECT_TRUE(context.AtEnd);
    EXPECT_EQ(unzip::ReadBits(context, 3), 0);
}

TEST(BitReaders, EnsureBitsTakesWholeBytesAsNeeded) {
    DecoderHarness harness;
    harness.Prepare({0x12, 0x34, 0x56}, 0);
    uint32_t bits = 0;
    uint16_t count = 0;
    unzip::EnsureBits(*harness.context, 9, bits, count);
    EXPECT_EQ(count, 16);
    EXPECT_EQ(bits, 0x3412u);
    unzip::DropBits(12, bits, count);
    unzip::EnsureBits(*harness.context, 4, bits, count);
    EXPECT_EQ(count, 4);
    unzip::EnsureBits(*harness.context, 20, bits, count);  // past the end: zero bits
    EXPECT_EQ(count, 20);
    EXPECT_EQ(bits, 0x00563u);
}

TEST(Output, FlushesEverySixteenThousandWithPercentagesRoundedHalfToEven) {
    // 32000 of 256000 bytes is 12.5 % and 48000 is 18.75 %; the run total of 32000 of 237037
    // is 13.5 %.
    DecoderHarness harness;
    harness.Prepare({}, 256000);
    unzip::TUnZipContext& context = *harness.context;
    context.TotalBytes = 237037;
    std::vector<int> file_percents;
    std::vector<int> total_percents;
    context.hooks.file_percent_done = [&](int percent) { file_percents.push_back(percent); };
    context.hooks.total_percent_done = [&](int percent) { total_percents.push_back(percent); };
    const Bytes data = Sequence(48000);
    for (uint8_t value : data) unzip::PutByte(context, value);
    EXPECT_EQ(harness.output->Bytes(), data);
    EXPECT_EQ(file_percents, (std::vector<int>{6, 12, 19}));
    EXPECT_EQ(total_percents[1], 14);
    EXPECT_EQ(context.EntryWritten, 48000);
    EXPECT_EQ(~context.RunningCrc, ~unzip::Crc32Update(0xFFFFFFFFu, data.data(), data.size()));
}

TEST(Output, PercentagesAreZeroForEmptySizesAndNeverAbove100) {
    DecoderHarness harness;
    harness.Prepare({}, 0);
    unzip::TUnZipContext& context = *harness.context;
    context.TotalBytes = 10;
    std::vector<int> percents;
    context.hooks.total_percent_done = [&](int percent) { percents.push_back(percent); };
    context.hooks.file_percent_done = [&](int percent) { percents.push_back(percent); };
    context.CurrentEntry.UncompressedSize = 0;
    unzip::PutByte(context, 1);
    // A zero-size entry refuses any output; the guard fires before any event.
    EXPECT_THROW(unzip::FlushOutput(context), zip::EBiggerThanUncompressed);
    EXPECT_TRUE(percents.empty());
    context.OutCount = 0;
    context.write_position = context.OutBuf;
    context.CurrentEntry.UncompressedSize = 100;
    for (int index = 0; index < 50; ++index) unzip::PutByte(context, 2);
    unzip::FlushOutput(context);
    EXPECT_EQ(percents, (std::vector<int>{50, 100}));
}

TEST(Output, BufferCrossingTheClaimedSizeIsNotWrittenAtAll) {
    DecoderHarness harness;
    harness.Prepare({}, 16000 + 99);
    unzip::TUnZipContext& context = *harness.context;
    for (int index = 0; index < 16000; ++index) unzip::PutByte(context, 7);
    for (int index = 0; index < 100; ++index) unzip::PutByte(context, 8);
    try {
        unzip::FlushOutput(context);
        FAIL() << "no exception";
    } catch (const zip::EBiggerThanUncompressed& error) {
        EXPECT_STREQ(error.what(), "File is larger than uncompressed size!");
    }
    EXPECT_EQ(harness.output->Bytes().size(), 16000u);
    EXPECT_EQ(context.EntryWritten, 16000);
}

TEST(Output, ShortWriteIsAnErrorNotASilentLoss) {
    DecoderHarness harness;
    harness.Prepare({}, 100);
    harness.output->write_limit = 10;
    for (int index = 0; index < 20; ++index) unzip::PutByte(*harness.context, 1);
    EXPECT_THROW(unzip::FlushOutput(*harness.context), zip::EStreamError);
}

TEST(Output, FlushWindowSplitsAtTheBufferLimit) {
    DecoderHarness harness;
    harness.Prepare({}, 40000);
    unzip::TUnZipContext& context = *harness.context;
    const Bytes data = Sequence(32768);
    std::copy(data.begin(), data.end(), context.Window);
    for (int index = 0; index < 5000; ++index) unzip::PutByte(context, 0xEE);
    unzip::FlushWindow(context, 32768);
    EXPECT_EQ(harness.output->Bytes().size(), 32000u);
    EXPECT_EQ(context.OutCount, 5000 + 32768 - 32000);
    EXPECT_EQ(harness.output->Bytes()[5000], data[0]);
}

TEST(CopyStored, CopiesTheEntryAndEmptyEntriesLeaveTheCrcOfNothing) {
    const Bytes data = Sequence(35000);
    DecoderHarness harness;
    harness.Prepare(data, 35000);
    const DecodeResult result = harness.Run(unzip::CopyStored);
    EXPECT_EQ(result.error, "");
    EXPECT_EQ(result.output, data);
    EXPECT_EQ(result.crc, ~unzip::Crc32Update(0xFFFFFFFFu, data.data(), data.size()));

    DecoderHarness empty;
    empty.Prepare({}, 0);
    const DecodeResult nothing = empty.Run(unzip::CopyStored);
    EXPECT_TRUE(nothing.output.empty());
    EXPECT_EQ(empty.context->RunningCrc, 0xFFFFFFFFu);
    EXPECT_EQ(nothing.crc, 0u);
}

// Sizes are unsigned 32-bit: one of 2^31 or more once read as negative wrapped the counters,
// and the decoders ran on zero bits up to the claimed size. An archive shorter than the size
// now ends every decoder at its data: the stored copy with what was there (the CRC check
// rejects it), the others with the premature end.
TEST(DecoderInput, ShortArchiveEndsEveryDecoderWhateverTheClaimedSize) {
    const Bytes data = Sequence(100);
    const std::pair<const char*, std::function<void(unzip::TUnZipContext&)>> decoders[] = {
        {"inflate", unzip::Inflate},
        {"explode", unzip::Explode},
        {"unshrink", unzip::UnShrink},
        {"unreduce", [](unzip::TUnZipContext& context) { unzip::UnReduce(context, 4); }},
    };
    for (const uint32_t size : {150u, 0x80000000u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(size);
        DecoderHarness stored;
        stored.Prepare(data, size, size);
        const DecodeResult copy = stored.Run(unzip::CopyStored);
        EXPECT_EQ(copy.error, "");
        EXPECT_EQ(copy.output, data);
        for (const auto& [name, decoder] : decoders) {
            SCOPED_TRACE(name);
            DecoderHarness harness;
            harness.Prepare(data, size, size);
            const DecodeResult result = harness.Run(decoder);
            EXPECT_EQ(result.error, "Premature end of file reached");
            EXPECT_TRUE(result.output.empty());
        }
    }
}

TEST(CopyStored, SpannedEntryContinuesInTheNextVolume) {
    const Bytes data = Sequence(20000);
    DecoderHarness harness;
    harness.Prepare(Bytes(data.begin(), data.begin() + 7000), 20000, 20000);
    MemoryStream second(Bytes(data.begin() + 7000, data.end()));
    harness.context->MultiVolume = true;
    harness.context->hooks.load_volume = [&](int) -> zip::TStream* { return &second; };
    EXPECT_EQ(harness.Run(unzip::CopyStored).output, data);
}

TEST(Output, NextEntryStartsWithAnEmptyBufferAfterAnAbortedOne) {
    // An entry that stops with bytes in OutBuf, then a fresh one in the same context: only the
    // new entry's bytes reach its file.
    DecoderHarness harness;
    harness.Prepare({}, 10);
    for (int index = 0; index < 20; ++index) unzip::PutByte(*harness.context, 0x55);
    EXPECT_THROW(unzip::FlushOutput(*harness.context), zip::EBiggerThanUncompressed);
    const Bytes data = Sequence(300);
    harness.Prepare(data, 300);
    EXPECT_EQ(harness.Run(unzip::CopyStored).output, data);
}

}  // namespace

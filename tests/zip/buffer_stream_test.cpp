// The buffered stream: how often it goes to the stream below, where seeks land, PutBack.

#include <gtest/gtest.h>

#include "support/memory_stream.h"
#include "zip/buffer_stream.h"
#include "zip/zip_errors.h"

namespace {

using test_support::MemoryStream;
using zip::TBufferStream;

std::string Bytes(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + i / 251);
    return bytes;
}

TEST(BufferStream, OneByteReadFillsAWholeBufferAndLaterReadsStayInIt) {
    MemoryStream file(Bytes(20000));
    TBufferStream stream(&file);
    uint8_t byte = 0;
    ASSERT_EQ(stream.Read(&byte, 1), 1);
    EXPECT_EQ(file.Position(), 8192);
    for (int i = 1; i < 8192; ++i) ASSERT_EQ(stream.Read(&byte, 1), 1);
    EXPECT_EQ(file.read_calls, 1);
    EXPECT_EQ(stream.Position(), 8192);
}

TEST(BufferStream, ReadingPastTheEndReturnsWhatExistsThenNothing) {
    MemoryStream file(Bytes(10));
    TBufferStream stream(&file);
    char buffer[32];
    EXPECT_EQ(stream.Read(buffer, 32), 10);
    EXPECT_EQ(stream.Read(buffer, 32), 0);
    EXPECT_EQ(std::string(buffer, 10), Bytes(10));
}

TEST(BufferStream, SeekingBackAfterASignatureKeepsTheBuffer) {
    MemoryStream file(Bytes(20000));
    TBufferStream stream(&file);
    char signature[4];
    stream.Seek(100, 0);
    ASSERT_EQ(stream.Read(signature, 4), 4);
    const int reads_before = file.read_calls;
    EXPECT_EQ(stream.Seek(-4, 1), 100);
    char again[4];
    ASSERT_EQ(stream.Read(again, 4), 4);
    EXPECT_EQ(std::string(again, 4), std::string(signature, 4));
    EXPECT_EQ(file.read_calls, reads_before + 1);  // one refill after the seek emptied it
    // A seek to where the stream already is keeps what was read ahead.
    const int reads_now = file.read_calls;
    stream.Seek(104, 0);
    ASSERT_EQ(stream.Read(again, 4), 4);
    EXPECT_EQ(file.read_calls, reads_now);
}

TEST(BufferStream, OffsetsFromTheEndCountBackwardsWhateverTheirSign) {
    MemoryStream file(Bytes(1000));
    TBufferStream stream(&file);
    EXPECT_EQ(stream.Seek(22, 2), 978);
    EXPECT_EQ(stream.Seek(-22, 2), 978);
    EXPECT_EQ(stream.GetSize(), 1000);
}

TEST(BufferStream, AnUnknownOriginIsRefusedWithTheTableText) {
    MemoryStream file(Bytes(10));
    TBufferStream stream(&file);
    try {
        stream.Seek(0, 7);
        FAIL() << "no exception";
    } catch (const zip::EStreamError&) {
        FAIL() << "wrong class";
    } catch (const zip::Exception& error) {
        EXPECT_STREQ(error.what(), "Invalid seek origin (7)");
    }
}

TEST(BufferStream, PutBackReturnsTheByteAndOverflowsAtTheStart) {
    MemoryStream file(std::string("abcdef"));
    TBufferStream stream(&file);
    EXPECT_THROW(stream.PutBack('x'), zip::EStreamError);
    char byte = 0;
    stream.Read(&byte, 1);
    stream.Read(&byte, 1);
    stream.PutBack('X');
    stream.Read(&byte, 1);
    EXPECT_EQ(byte, 'X');
    stream.Read(&byte, 1);
    EXPECT_EQ(byte, 'c');
    stream.Seek(0, 0);
    try {
        stream.PutBack('x');
        FAIL() << "no exception";
    } catch (const zip::EStreamError& error) {
        EXPECT_STREQ(error.what(), "Putback overflow");
    }
}

TEST(BufferStream, WritesAreCollectedAndFlushedOnSeek) {
    MemoryStream file;
    TBufferStream stream(&file);
    for (int i = 0; i < 100; ++i) ASSERT_EQ(stream.Write("0123456789", 10), 10);
    EXPECT_EQ(file.write_calls, 0);
    EXPECT_EQ(stream.Position(), 1000);
    stream.Seek(0, 0);
    EXPECT_EQ(file.write_calls, 1);
    EXPECT_EQ(file.Bytes().size(), 1000u);
    EXPECT_EQ(file.Text().substr(990), "0123456789");
}

TEST(BufferStream, AFailedFlushOnSeekIsASeekError) {
    MemoryStream file;
    file.write_limit = 10;
    TBufferStream stream(&file);
    stream.Write("0123456789abcdef", 16);
    try {
        stream.Seek(0, 0);
        FAIL() << "no exception";
    } catch (const zip::EStreamError& error) {
        EXPECT_STREQ(error.what(), "Seek error");
    }
}

TEST(BufferStream, LargeWritesAndReadsArriveIntact) {
    const std::string data = Bytes(50000);
    MemoryStream file;
    {
        TBufferStream stream(&file);
        stream.Write(data.data(), 3);
        stream.Write(data.data() + 3, 20000);
        stream.Write(data.data() + 20003, static_cast<int64_t>(data.size()) - 20003);
        stream.FlushBuffer();
    }
    EXPECT_EQ(file.Text(), data);
    file.Seek(0, 0);
    TBufferStream reader(&file);
    std::string back(data.size(), '\0');
    EXPECT_EQ(reader.Read(back.data(), 5), 5);
    EXPECT_EQ(reader.Read(back.data() + 5, 40000), 40000);
    EXPECT_EQ(reader.Read(back.data() + 40005, 20000), 9995);
    EXPECT_EQ(back, data);
}

}  // namespace

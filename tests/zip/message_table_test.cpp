// The stream message table: the texts, and one set of bytes behind both builds.

#include <gtest/gtest.h>

#include "support/temp_folder.h"
#include "zip/message_table.h"
#include "zip/stream_messages.h"
#include "zip/zip_errors.h"

namespace {

TEST(MessageTable, GivesEachTextByIdAndNothingForAnUnknownId) {
    EXPECT_EQ(zip::MessageText("S_Stream", 1), "Seek error");
    EXPECT_EQ(zip::MessageText("S_STREAM", 2), "Invalid seek origin (%d)");
    EXPECT_EQ(zip::MessageText("s_stream", 3), "Putback overflow");
    EXPECT_EQ(zip::MessageText("S_Stream", 7), "Cannot write to a resource stream");
    EXPECT_EQ(zip::MessageText("S_Stream", 8), "");
}

TEST(MessageTable, AnUnknownTableIsAnError) {
    try {
        zip::MessageText("S_Nothing", 1);
        FAIL() << "no exception";
    } catch (const zip::Exception& error) {
        EXPECT_STREQ(error.what(), "No such string resource: S_Nothing");
    }
}

TEST(MessageTable, EmbeddedBytesAreTheResourceFileBytes) {
    const std::string file = test_support::ReadHostFile(std::string(VI_SOURCE_DIR) + "/src/resources/stream_messages.bin");
    if (file.empty()) GTEST_SKIP() << "source tree not reachable";
    EXPECT_EQ(std::string(zip::StreamMessagesTable()), file);
}

}  // namespace

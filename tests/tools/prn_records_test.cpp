#include "prndump/prn_records.h"

#include <gtest/gtest.h>

#include "prndump/decode_error.h"
#include "stream_samples.h"

namespace {

using namespace samples;
using prndecode::DecodeError;
using prndecode::ReadRecords;

TEST(PrnRecords, SplitsTheFileIntoTaggedRecords) {
    const Bytes file = Jv33Job();
    const auto records = ReadRecords(file.data(), file.size());
    std::vector<std::string> names;
    for (const auto& record : records) names.push_back(prndecode::TagName(record.tag));
    EXPECT_EQ(names, (std::vector<std::string>{"SPLTAG_JOB_HEADER", "SPLTAG_OPEN_JOB", "SPLTAG_PAGE_LINK",
                                               "SPLTAG_PAGE_HEADER", "SPLTAG_DATA", "SPLTAG_DATA", "SPLTAG_DATA",
                                               "SPLTAG_PAGE_END", "SPLTAG_CLOSE_JOB", "SPLTAG_EOF"}));
    EXPECT_EQ(records[0].data, kQE);
    EXPECT_EQ(records[1].offset, 11u);
    EXPECT_TRUE(records[1].data.empty());
    EXPECT_EQ(records[3].data, kJv33PageHeader);
    EXPECT_EQ(prndecode::TagName(0xD0000013), std::string("CUT_JOB"));
    EXPECT_EQ(prndecode::TagName(0x12345678), nullptr);
}

TEST(PrnRecords, RefusesTruncatedFiles) {
    Bytes file = Stream().Add(kData, B({1, 2, 3})).bytes();
    EXPECT_THROW(ReadRecords(file.data(), file.size() - 1), DecodeError);  // data cut short
    EXPECT_THROW(ReadRecords(file.data(), 5), DecodeError);                // header cut short
    EXPECT_TRUE(ReadRecords(file.data(), 0).empty());
    file[4] = 0xFF;
    file[7] = 0xFF;  // a size far past the end
    try {
        ReadRecords(file.data(), file.size());
        FAIL() << "accepted a size past the end";
    } catch (const DecodeError& e) {
        EXPECT_NE(std::string(e.what()).find("offset 0"), std::string::npos) << e.what();
    }
    EXPECT_THROW(prndecode::ReadRecordFile("/nonexistent/file.prn"), DecodeError);
}

}  // namespace

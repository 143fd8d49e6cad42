#include "prndump/line_counter.h"

#include <gtest/gtest.h>

#include "prndump/prn_records.h"
#include "stream_samples.h"

namespace {

using namespace samples;

prndecode::LineCounter Count(const Bytes& file) {
    prndecode::LineCounter counter;
    for (const auto& record : prndecode::ReadRecords(file.data(), file.size())) {
        counter.Record(record.tag, record.data.data(), record.data.size());
    }
    return counter;
}

// The counter keeps nothing of the rows, yet agrees with the page images.
TEST(LineCounter, CountsTheLinesOfEveryPageAsTheImagesDo) {
    const auto one = Count(Jv33Job());
    EXPECT_EQ(one.Lines(), 3);
    EXPECT_EQ(one.Pages(), 1);
    EXPECT_EQ(one.Error(), "");

    // "MV" skips lines; line ends outside a page count for nothing.
    const auto two = Count(Stream()
                               .Add(kData, kLineEnd)
                               .Add(kPageHeader, kJv33PageHeader)
                               .Add(kData, Cat({Jv33Line0(), B({'M', 'V', 1, 0x10, 0x27, 0})}))
                               .Add(kPageEnd, kQE)
                               .Add(kPageHeader, kJv33PageHeader)
                               .Add(kData, Cat({kLineEnd, Jv33Line2()}))
                               .Add(kPageEnd, kQE)
                               .Add(kData, kLineEnd)
                               .bytes());
    EXPECT_EQ(two.Lines(), 1 + 10000 + 2);
    EXPECT_EQ(two.Pages(), 2);
}

TEST(LineCounter, StopsAtWhatDoesNotDecode) {
    const auto counter = Count(Stream()
                                   .Add(kPageHeader, kJv33PageHeader)
                                   .Add(kData, Jv33Line0())
                                   .Add(kData, B({'Q', 'D', 7, 2, 0, 1, 2, 0}))  // cut short
                                   .Add(kData, kLineEnd)
                                   .Add(kPageEnd, kQE)
                                   .bytes());
    EXPECT_EQ(counter.Lines(), 1);
    EXPECT_NE(counter.Error().find("line 1: "), std::string::npos) << counter.Error();
    EXPECT_EQ(Count(Stream().Add(kPageEnd, kQE).bytes()).Error(), "page end without a page");
}

}  // namespace

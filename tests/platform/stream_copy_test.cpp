#include "platform/stream_copy.h"

#include <gtest/gtest.h>

#include <vector>

// Every length around the 16-byte blocks, from and to every offset within a
// block: the bytes arrive and nothing around them changes.
TEST(StreamCopy, CopiesEveryByteAndNoMoreAtAnyOffsetAndLength) {
    std::vector<uint8_t> from(300), to(340);
    for (size_t i = 0; i < from.size(); ++i) from[i] = static_cast<uint8_t>(i * 7 + 1);
    for (size_t toOffset = 0; toOffset < 17; ++toOffset) {
        for (size_t fromOffset : {0, 3, 16}) {
            for (size_t n : {0, 1, 15, 16, 17, 31, 32, 33, 64, 255, 280}) {
                std::fill(to.begin(), to.end(), 0xEE);
                platform::StreamCopy(to.data() + toOffset, from.data() + fromOffset, n);
                for (size_t i = 0; i < to.size(); ++i) {
                    const bool inside = i >= toOffset && i < toOffset + n;
                    ASSERT_EQ(to[i], inside ? from[fromOffset + i - toOffset] : 0xEE)
                        << "to +" << toOffset << " from +" << fromOffset << " bytes " << n << " at " << i;
                }
            }
        }
    }
}

#include "base/byte_buffer.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<uint8_t> Contents(const ByteBuffer& b) { return {b.begin(), b.end()}; }

TEST(ByteBuffer, ResizeKeepsContentsZeroesNewBytesAndKeepsCapacityWhenShrinking) {
    ByteBuffer b;
    const uint8_t four[] = {1, 2, 3, 4};
    b.Append(four, 4);
    b.Resize(8);
    EXPECT_EQ(Contents(b), (std::vector<uint8_t>{1, 2, 3, 4, 0, 0, 0, 0}));
    b.Resize(2);
    EXPECT_EQ(b.size(), 2u);
    EXPECT_EQ(b.capacity(), 8u);
    // Growing again inside the capacity zeroes what was cut off before.
    b.Resize(4);
    EXPECT_EQ(Contents(b), (std::vector<uint8_t>{1, 2, 0, 0}));
}

TEST(ByteBuffer, GrowthIsExactAndZeroFilled) {
    ByteBuffer b;
    const uint8_t x[] = {9, 9, 9};
    b.Append(x, 3);
    EXPECT_EQ(b.capacity(), 3u);
    b.Append(x, 2);
    EXPECT_EQ(b.capacity(), 5u);
    b.Reserve(10);
    EXPECT_EQ(b.capacity(), 10u);
    EXPECT_EQ(b.size(), 5u);
    for (size_t i = 5; i < 10; ++i) EXPECT_EQ(b.data()[i], 0) << i;
    b.Reserve(4);  // never shrinks
    EXPECT_EQ(b.capacity(), 10u);
}

TEST(ByteBuffer, NullOrEmptyInputChangesNothing) {
    ByteBuffer b;
    b.Append(nullptr, 5);
    b.Assign(nullptr, 5);
    const uint8_t x = 1;
    b.Append(&x, 0);
    EXPECT_EQ(b.size(), 0u);
    EXPECT_EQ(b.data(), nullptr);
    b.ZeroFill();  // no storage: nothing to do, no crash
}

TEST(ByteBuffer, AssignAllocateAndZeroFill) {
    ByteBuffer b;
    const uint8_t x[] = {5, 6, 7};
    b.Assign(x, 3);
    EXPECT_EQ(b.capacity(), 3u);
    EXPECT_EQ(Contents(b), (std::vector<uint8_t>{5, 6, 7}));
    b.ZeroFill();
    EXPECT_EQ(Contents(b), (std::vector<uint8_t>{0, 0, 0}));
    b.Allocate(6);
    EXPECT_EQ(Contents(b), std::vector<uint8_t>(6, 0));
    ByteBuffer moved(std::move(b));
    EXPECT_EQ(moved.size(), 6u);
    EXPECT_EQ(b.size(), 0u);  // NOLINT(bugprone-use-after-move): moved-from is empty
}

TEST(ByteBuffer, AssignReplacesWhatTheBufferHeld) {
    ByteBuffer b;
    const uint8_t x[] = {5, 6, 7};
    const uint8_t y[] = {9, 8};
    b.Assign(x, 3);
    b.Assign(y, 2);
    EXPECT_EQ(Contents(b), (std::vector<uint8_t>{9, 8}));
}

}  // namespace

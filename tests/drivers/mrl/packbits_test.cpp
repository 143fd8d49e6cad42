#include "drivers/mrl/packbits.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstring>
#include <random>
#include <vector>

#include "base/byte_buffer.h"
#include "prndump/unpack_bits.h"

namespace {

using Row = std::vector<uint8_t>;

Row Repeat(size_t n, uint8_t b) { return Row(n, b); }

TEST(PackBits, PacksTheReferenceVectors) {
    EXPECT_EQ(PackBitsEncode(Row{}), Row{});
    EXPECT_EQ(PackBitsEncode(Row{1, 2, 3}), (Row{0x02, 1, 2, 3}));
    EXPECT_EQ(PackBitsEncode(Repeat(10, 0)), (Row{0xF7, 0x00}));
    EXPECT_EQ(PackBitsEncode(Row{1, 2, 2, 2, 3}), (Row{0x00, 1, 0xFE, 2, 0x00, 3}));
    EXPECT_EQ(PackBitsEncode(Row{1, 2, 2, 3}), (Row{0x03, 1, 2, 2, 3}));
    EXPECT_EQ(PackBitsEncode(Repeat(200, 0xAB)), (Row{0x81, 0xAB, 0xB9, 0xAB}));
    // Two equal bytes at a packet start form a repeat packet; at the end of a literal they stay in it.
    EXPECT_EQ(PackBitsEncode(Row{5, 5, 6}), (Row{0xFF, 5, 0x00, 6}));
    EXPECT_EQ(PackBitsEncode(Row{6, 5, 5}), (Row{0x02, 6, 5, 5}));
    // A literal packet holds at most 128 bytes.
    Row ramp(129);
    for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = uint8_t(i);
    const Row packed = PackBitsEncode(ramp);
    ASSERT_EQ(packed.size(), 131u);
    EXPECT_EQ(packed[0], 0x7F);
    EXPECT_EQ(packed[129], 0x00);
    EXPECT_EQ(packed[130], 128);
}

TEST(PackBits, CompressLineSaysWhetherPackingIsShorterAndReusesItsScratch) {
    ByteBuffer scratch;
    const Row raw{1, 2, 3};
    EXPECT_FALSE(PackBitsCompressLine(scratch, raw.data(), raw.size()));
    EXPECT_EQ(scratch.size(), 4u);
    // Packed only when strictly shorter: four bytes that pack into four stay raw.
    const Row even{1, 1, 1, 2};
    EXPECT_FALSE(PackBitsCompressLine(scratch, even.data(), even.size()));
    EXPECT_EQ(Row(scratch.begin(), scratch.end()), (Row{0xFE, 1, 0x00, 2}));
    const Row shorter{1, 1, 1, 1, 2};
    EXPECT_TRUE(PackBitsCompressLine(scratch, shorter.data(), shorter.size()));

    const Row zeros = Repeat(10, 0);
    EXPECT_TRUE(PackBitsCompressLine(scratch, zeros.data(), zeros.size()));
    EXPECT_EQ(Row(scratch.begin(), scratch.end()), (Row{0xF7, 0x00}));

    EXPECT_FALSE(PackBitsCompressLine(scratch, zeros.data(), 0));
    EXPECT_EQ(scratch.size(), 0u);

    // The scratch grows only when a line needs more than it holds.
    const Row line = Repeat(1000, 7);
    PackBitsCompressLine(scratch, line.data(), line.size());
    EXPECT_EQ(scratch.capacity(), PackBitsMaxSize(1000) + 32);
    const uint8_t* storage = scratch.data();
    PackBitsCompressLine(scratch, line.data(), 500);
    PackBitsCompressLine(scratch, line.data(), line.size());
    EXPECT_EQ(scratch.data(), storage);
    EXPECT_EQ(scratch.capacity(), PackBitsMaxSize(1000) + 32);
}

// Rows with the structure of halftoned planes: runs of blank and full bytes,
// stretches from a few values (which give pairs and triples) and noise.
Row RandomRow(std::mt19937& rng, size_t length) {
    Row row;
    row.reserve(length);
    std::uniform_int_distribution<int> kind(0, 3);
    std::uniform_int_distribution<int> byte(0, 255);
    while (row.size() < length) {
        const size_t left = length - row.size();
        const size_t span = std::min<size_t>(left, std::uniform_int_distribution<size_t>(1, 300)(rng));
        switch (kind(rng)) {
            case 0: row.insert(row.end(), span, uint8_t(byte(rng))); break;
            case 1: for (size_t i = 0; i < span; ++i) row.push_back(uint8_t(byte(rng) % 3)); break;
            case 2: for (size_t i = 0; i < span; ++i) row.push_back(uint8_t(byte(rng) & 0x81)); break;
            default: for (size_t i = 0; i < span; ++i) row.push_back(uint8_t(byte(rng))); break;
        }
    }
    return row;
}

size_t RandomLength(std::mt19937& rng) {
    const int pick = std::uniform_int_distribution<int>(0, 99)(rng);
    if (pick < 30) return std::uniform_int_distribution<size_t>(1, 16)(rng);
    if (pick < 95) return std::uniform_int_distribution<size_t>(17, 600)(rng);
    return std::uniform_int_distribution<size_t>(601, 4000)(rng);
}

// The packet structure that the run-start rule allows: no 0x80 header, a
// literal never starts with two equal bytes nor holds three in a row, and a
// literal shorter than 128 bytes is followed by a repeat packet or the end.
void ExpectPacketRules(const Row& packed) {
    size_t pos = 0;
    while (pos < packed.size()) {
        const uint8_t header = packed[pos];
        ASSERT_NE(header, 0x80);
        if (header < 0x80) {
            const size_t n = size_t(header) + 1;
            const uint8_t* lit = &packed[pos + 1];
            if (n >= 2) {
                ASSERT_NE(lit[0], lit[1]) << "literal starts with a pair";
            }
            for (size_t i = 2; i < n; ++i) ASSERT_FALSE(lit[i] == lit[i - 1] && lit[i] == lit[i - 2]) << "triple in literal";
            pos += 1 + n;
            if (n < 128 && pos < packed.size()) {
                ASSERT_GT(packed[pos], 0x80) << "short literal not followed by a run";
            }
        } else {
            pos += 2;
        }
    }
}

// In-memory file for libtiff.
struct MemoryFile {
    std::vector<uint8_t> bytes;
    toff_t pos = 0;
};

tmsize_t MemRead(thandle_t h, void* buf, tmsize_t size) {
    auto* f = static_cast<MemoryFile*>(h);
    const tmsize_t n = std::min<tmsize_t>(size, tmsize_t(f->bytes.size()) - tmsize_t(f->pos));
    if (n <= 0) return 0;
    std::memcpy(buf, f->bytes.data() + f->pos, size_t(n));
    f->pos += toff_t(n);
    return n;
}
tmsize_t MemWrite(thandle_t h, void* buf, tmsize_t size) {
    auto* f = static_cast<MemoryFile*>(h);
    if (f->pos + toff_t(size) > f->bytes.size()) f->bytes.resize(size_t(f->pos) + size_t(size));
    std::memcpy(f->bytes.data() + f->pos, buf, size_t(size));
    f->pos += toff_t(size);
    return size;
}
toff_t MemSeek(thandle_t h, toff_t off, int whence) {
    auto* f = static_cast<MemoryFile*>(h);
    if (whence == SEEK_SET) f->pos = off;
    else if (whence == SEEK_CUR) f->pos += off;
    else f->pos = f->bytes.size() + off;
    return f->pos;
}
int MemClose(thandle_t) { return 0; }
toff_t MemSize(thandle_t h) { return static_cast<MemoryFile*>(h)->bytes.size(); }
int MemMap(thandle_t, void**, toff_t*) { return 0; }
void MemUnmap(thandle_t, void*, toff_t) {}

TIFF* OpenMemory(MemoryFile& file, const char* mode) {
    file.pos = 0;
    return TIFFClientOpen("packbits", mode, &file, MemRead, MemWrite, MemSeek, MemClose, MemSize, MemMap, MemUnmap);
}

// Decodes rows of one length, packed by us, with libtiff's PackBits codec: a
// grey image with one row per strip whose raw strips are our packed rows.
std::vector<Row> DecodeWithLibtiff(const std::vector<Row>& packedRows, size_t width) {
    MemoryFile file;
    TIFF* out = OpenMemory(file, "wm");
    if (!out) return {};
    TIFFSetField(out, TIFFTAG_IMAGEWIDTH, uint32_t(width));
    TIFFSetField(out, TIFFTAG_IMAGELENGTH, uint32_t(packedRows.size()));
    TIFFSetField(out, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(out, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(out, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(out, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(out, TIFFTAG_COMPRESSION, COMPRESSION_PACKBITS);
    TIFFSetField(out, TIFFTAG_ROWSPERSTRIP, 1);
    for (size_t i = 0; i < packedRows.size(); ++i) {
        TIFFWriteRawStrip(out, uint32_t(i), const_cast<uint8_t*>(packedRows[i].data()), tmsize_t(packedRows[i].size()));
    }
    TIFFClose(out);

    std::vector<Row> rows;
    TIFF* in = OpenMemory(file, "rm");
    if (!in) return rows;
    for (size_t i = 0; i < packedRows.size(); ++i) {
        Row row(width);
        const tmsize_t got = TIFFReadEncodedStrip(in, uint32_t(i), row.data(), tmsize_t(width));
        row.resize(got < 0 ? 0 : size_t(got));
        rows.push_back(std::move(row));
    }
    TIFFClose(in);
    return rows;
}

// The packing rule byte by byte: the word-wise scans must pick the same packets.
Row PackOneByteAtATime(const Row& in) {
    Row out;
    size_t i = 0;
    const size_t n = in.size();
    while (i < n) {
        size_t count = 1;
        while (count < 128 && i + count < n && in[i + count] == in[i]) ++count;
        if (count >= 2) {
            out.insert(out.end(), {uint8_t(257 - count), in[i]});
            i += count;
            continue;
        }
        size_t length = 1;
        while (length < 128 && i + length < n &&
               !(i + length + 1 < n && in[i + length] == in[i + length - 1] && in[i + length + 1] == in[i + length]))
            ++length;
        if (length < 128 && i + length < n) --length;  // the triple's first byte starts the run
        out.push_back(uint8_t(length - 1));
        out.insert(out.end(), in.begin() + ptrdiff_t(i), in.begin() + ptrdiff_t(i + length));
        i += length;
    }
    return out;
}

TEST(PackBits, PicksThePacketsOfTheByteWiseRule) {
    std::mt19937 rng(7);
    for (int r = 0; r < 20000; ++r) {
        const Row row = RandomRow(rng, r < 300 ? size_t(r) : RandomLength(rng));
        ASSERT_EQ(PackBitsEncode(row), PackOneByteAtATime(row)) << "row " << r;
    }
}

TEST(PackBits, AMillionRandomRowsRoundTripWithinTheBound) {
    std::mt19937 rng(20240607);
    constexpr int kBatches = 1000;
    constexpr int kRowsPerBatch = 1000;
    // Rows of one batch share their length: libtiff decodes them as one image.
    for (int batch = 0; batch < kBatches; ++batch) {
        const size_t length = batch == 0 ? 0 : RandomLength(rng);
        std::vector<Row> rows;
        std::vector<Row> packedRows;
        for (int r = 0; r < kRowsPerBatch; ++r) {
            Row row = RandomRow(rng, length);
            Row packed = PackBitsEncode(row);
            ASSERT_LE(packed.size(), PackBitsMaxSize(row.size()));
            ASSERT_EQ(prndecode::UnpackAllBits(packed.data(), packed.size()), row) << "batch " << batch << " row " << r;
            if (r % 50 == 0) ExpectPacketRules(packed);
            rows.push_back(std::move(row));
            packedRows.push_back(std::move(packed));
        }
        if (length == 0) continue;
        const std::vector<Row> decoded = DecodeWithLibtiff(packedRows, length);
        ASSERT_EQ(decoded.size(), rows.size()) << "libtiff could not read batch " << batch;
        for (size_t r = 0; r < rows.size(); ++r) ASSERT_EQ(decoded[r], rows[r]) << "libtiff, batch " << batch << " row " << r;
    }
}

}  // namespace

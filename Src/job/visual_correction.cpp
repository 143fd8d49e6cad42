#include "job/visual_correction.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <exception>
#include <type_traits>

#include "base/format.h"
#include "base/input_file.h"
#include "base/spline.h"
#include "job/varn_prn.h"

namespace {

constexpr double kByteTo12Bit = 4095.0 / 255.0;  // 16.058823529411764
constexpr int kCurveSize = 4096;
constexpr int kBlocks = 8;
// Blocks 0 to 7 fill these table channels.
constexpr int kBlockChannel[kBlocks] = {2, 1, 0, 3, 4, 5, 6, 7};

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

uint16_t Clamp12Bit(double v) {
    if (!(v > 0.0)) return 0;  // also NaN
    if (v >= 4095.0) return 4095;
    return static_cast<uint16_t>(v);
}

}  // namespace

// ---------------------------------------------------------------------------
// VisualCorrectionTables

void VisualCorrectionTables::Allocate() {
    for (int c = 0; c < kChannels; ++c) {
        if (!m_maps[c]) m_maps[c] = std::make_unique<uint8_t[]>(kEntries);
        if (!m_curves[c]) m_curves[c] = std::make_unique<uint16_t[]>(kEntries);
    }
}

const uint16_t* VisualCorrectionTables::GetCurve(int channel) const {
    if (!loaded || channel < 0 || channel >= kChannels) return nullptr;
    return m_curves[channel].get();
}

const uint8_t* VisualCorrectionTables::GetMap(int channel) const {
    if (!loaded || channel < 0 || channel >= kChannels) return nullptr;
    return m_maps[channel].get();
}

uint16_t* VisualCorrectionTables::Curve(int channel) { return m_curves[channel].get(); }

uint8_t* VisualCorrectionTables::Map(int channel) { return m_maps[channel].get(); }

void VisualCorrectionTables::SetIdentity(int channel) {
    for (int v = 0; v < kEntries; ++v) {
        m_curves[channel][v] = static_cast<uint16_t>(v * kByteTo12Bit + 0.5);
        m_maps[channel][v] = static_cast<uint8_t>(v);
    }
}

// ---------------------------------------------------------------------------
// CorrectionWordReader

CorrectionWordReader::CorrectionWordReader(const std::vector<char>& text) : m_text(text) {}

bool CorrectionWordReader::AtEnd() {
    while (m_pos < m_text.size() && IsSpace(m_text[m_pos])) ++m_pos;
    return m_pos >= m_text.size();
}

bool CorrectionWordReader::NextWord(const char*& begin, const char*& end) {
    if (AtEnd()) return false;
    begin = m_text.data() + m_pos;
    end = begin;
    const char* limit = m_text.data() + m_text.size();
    while (end < limit && !IsSpace(*end)) ++end;
    return true;
}

bool CorrectionWordReader::ReadWord(std::string& out) {
    const char* begin;
    const char* end;
    if (!NextWord(begin, end)) return false;
    out.assign(begin, end);
    m_pos = static_cast<size_t>(end - m_text.data());
    return true;
}

// A number is one whole word. A word that is not a number is consumed and
// leaves the target as it was, so a damaged line cannot stall the reader.
template <typename T>
bool ReadNumberWord(const char* begin, const char* end, T& out) {
    const char* p = begin;
    if (p < end && *p == '+' && end - p > 1 && p[1] != '-') ++p;
    T value{};
    std::from_chars_result result;
    if constexpr (std::is_floating_point_v<T>) {
        result = std::from_chars(p, end, value, std::chars_format::general);
    } else {
        result = std::from_chars(p, end, value);
    }
    if (result.ec != std::errc() || result.ptr != end) return false;
    out = value;
    return true;
}

template <typename T>
bool CorrectionWordReader::ReadNumber(T& out) {
    const char* begin;
    const char* end;
    if (!NextWord(begin, end)) return false;
    ReadNumberWord(begin, end, out);
    m_pos = static_cast<size_t>(end - m_text.data());
    return true;
}

bool CorrectionWordReader::ReadInt(int& out) { return ReadNumber(out); }

bool CorrectionWordReader::ReadDouble(double& out) { return ReadNumber(out); }

// ---------------------------------------------------------------------------
// The visual-correction file

namespace {

// One block of the file: a name word, the point count, the points, 256 map
// lines and an end word. With keep clear (leading blocks of a "BEGIN" file)
// everything is read and dropped.
struct BlockTarget {
    bool keep = false;
    std::vector<double>* table = nullptr;  // 4096 values
    uint16_t* curve = nullptr;
    uint8_t* map = nullptr;
};

void ReadBlock(CorrectionWordReader& in, const BlockTarget& target, CVarnPrn& job) {
    std::string word;
    in.ReadWord(word);
    int n = 0;
    in.ReadInt(n);

    CConstrainedCurve curve;
    curve.Init();
    for (int k = 0; k < n && !in.AtEnd(); ++k) {
        double output = 0.0;
        double input = 0.0;
        in.ReadDouble(output);
        if (!in.ReadDouble(input)) break;
        double scaled = std::floor(input * 4095.0 + 0.5);
        if (!(scaled >= 0.0 && scaled <= 4095.0)) {
            job.Log(LOG_WARNING, "\tVisual correction point (%g, %g) outside 0..1 ignored", output, input);
            continue;
        }
        curve.AddPoint(static_cast<int32_t>(scaled), output * 4095.0);
    }
    if (target.keep) {
        std::vector<double>& table = *target.table;
        std::fill(table.begin(), table.end(), 0.0);
        curve.Build(table.data(), table.size());
        for (int v = 0; v < VisualCorrectionTables::kEntries; ++v) {
            int x = static_cast<int>(v * kByteTo12Bit + 0.5);
            target.curve[v] = Clamp12Bit(table[x] + 0.5);
        }
    }

    for (int line = 0; line < VisualCorrectionTables::kEntries && !in.AtEnd(); ++line) {
        int index = 0;
        int value = 0;
        in.ReadInt(index);
        in.ReadInt(value);
        if (target.keep) target.map[line] = static_cast<uint8_t>(value & 0xFF);
    }
    in.ReadWord(word);
}

}  // namespace

bool CVarnPrn::ReadVisualCorrectionFile(VisualCorrectionTables& tables, const std::string& path) {
    if (path.empty()) {
        tables.loaded = 0;
        return false;
    }
    std::vector<char> text;
    if (!ReadFileBytes(path, text)) return false;
    return ReadVisualCorrectionText(tables, text, path);
}

bool CVarnPrn::ReadVisualCorrectionText(VisualCorrectionTables& tables, const std::vector<char>& text,
                                        const std::string& path) {
    if (text.size() >= 4 && std::memcmp(text.data(), "PLIN", 4) == 0) return false;
    try {
        return ParseVisualCorrection(tables, text, path);
    } catch (const std::exception& e) {  // no memory for the tables or the curve
        Log(LOG_WARNING, "\tVisual correction file (%s) not read: %s", EscapeControlBytes(path).c_str(), e.what());
        tables.loaded = 0;
        return false;
    }
}

bool CVarnPrn::ParseVisualCorrection(VisualCorrectionTables& tables, const std::vector<char>& text,
                                     const std::string& path) {
    int channels = 8;
    if (text.size() >= 4) {
        int digit = text[3] - '0';
        if (digit >= 4 && digit <= 20) channels = digit;
    }

    tables.Allocate();
    tables.loaded = 1;

    CorrectionWordReader in(text);
    std::string header;
    in.ReadWord(header);
    std::vector<double> table(kCurveSize);
    if (header == "BEGIN") {
        in.Rewind();
        BlockTarget skip;
        for (int b = 0; b < 4 && !in.AtEnd(); ++b) ReadBlock(in, skip, *this);
    }

    for (int block = 0; block < kBlocks; ++block) {
        int channel = kBlockChannel[block];
        if (block >= channels) {
            tables.SetIdentity(channel);
            continue;
        }
        if (in.AtEnd()) {
            // A file that ends early: the channels it did not reach print as
            // if uncorrected rather than with no ink at all.
            Log(LOG_WARNING, "\tVisual correction file (%s) ends before block %d; channel %d left uncorrected",
                EscapeControlBytes(path).c_str(), block, channel);
            tables.SetIdentity(channel);
            continue;
        }
        BlockTarget target;
        target.keep = true;
        target.table = &table;
        target.curve = tables.Curve(channel);
        target.map = tables.Map(channel);
        ReadBlock(in, target, *this);
    }
    return tables.loaded != 0;
}

// Per-channel visual-correction tables of a job: for each of eight channels a
// 256-entry curve from an 8-bit input to a 12-bit value and a 256-entry byte
// map, filled from the job's visual-correction file.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class VisualCorrectionTables {
public:
    static constexpr int kChannels = 8;
    static constexpr int kEntries = 256;

    // Creates every missing map and curve, zero-filled.
    void Allocate();
    // The channel's curve or map; null while nothing is loaded or for a
    // channel outside 0 to 7.
    const uint16_t* GetCurve(int channel) const;
    const uint8_t* GetMap(int channel) const;
    uint16_t* Curve(int channel);
    uint8_t* Map(int channel);
    // Identity curve (v * 4095 / 255, rounded) and identity map for a channel.
    void SetIdentity(int channel);

    uint8_t loaded = 0;

private:
    std::array<std::unique_ptr<uint8_t[]>, kChannels> m_maps;
    std::array<std::unique_ptr<uint16_t[]>, kChannels> m_curves;
};

// Splits the text of a visual-correction file into its whitespace-separated
// words and reads them one by one: numbers in the "C" format whatever the
// process locale; a word that is not a number is passed over and leaves its
// target unchanged.
class CorrectionWordReader {
public:
    explicit CorrectionWordReader(const std::vector<char>& text);
    bool AtEnd();
    bool ReadWord(std::string& out);
    // False at the end of the text; a malformed word is consumed and leaves
    // the target as it was.
    bool ReadInt(int& out);
    bool ReadDouble(double& out);
    void Rewind() { m_pos = 0; }

private:
    bool NextWord(const char*& begin, const char*& end);
    template <typename T>
    bool ReadNumber(T& out);
    const std::vector<char>& m_text;
    size_t m_pos = 0;
};

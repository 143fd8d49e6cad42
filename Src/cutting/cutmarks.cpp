#include "cutting/cutmarks.h"

#include <algorithm>
#include <vector>

#include "base/rounding.h"
#include "base/text_error.h"

namespace {

constexpr double kPtPerMm = 360.0 / 127.0;
constexpr double kMinMarkDistanceMm = 50.0;
constexpr double kMaxMarkDistanceMm = 3000.0;

double DotsToMm(int32_t dots) { return dots * 254 / 1800.0; }

}  // namespace

MimakiCutmarksGenerator_Imp::MimakiCutmarksGenerator_Imp(const MimakiCutmarksGeneratorParams& params)
    : m_params(params) {
    if (!params.pfnWriteRow || !params.pContext) throw TextError("MimakiCutmarksGenerator_Imp no callback");
    if (params.iImageWidth < 1 || params.iImageHeight < 1) throw TextError("MimakiCutmarksGenerator_Imp no image");
    if (!IsLegalResolution(params.iResolutionX)) throw TextError("MimakiCutmarksGenerator_Imp illegal resolution X");
    if (!IsLegalResolution(params.iResolutionY)) throw TextError("MimakiCutmarksGenerator_Imp illegal resolution Y");
    if (params.iBitsPerPixel != 1 && params.iBitsPerPixel != 2) {
        throw TextError("MimakiCutmarksGenerator_Imp illegal bits per pixel");
    }
}

double MimakiCutmarksGenerator_Imp::GetBarLengthPt() { return m_dBarLengthMm * kPtPerMm; }
double MimakiCutmarksGenerator_Imp::GetBarWidthPt() { return m_dBarWidthMm * kPtPerMm; }
double MimakiCutmarksGenerator_Imp::GetMarginPt() {
    return m_iMarginPx * 254 / (m_params.iResolutionX * 10.0) * kPtPerMm;
}
int32_t MimakiCutmarksGenerator_Imp::GetBarLengthHundredths() { return RoundToInt32(m_dBarLengthMm * 100); }

void MimakiCutmarksGenerator_Imp::EmitMarks(bool after) {
    const double widthMm = m_params.iImageWidth * 254.0 / (m_params.iResolutionX * 10.0);
    const double heightMm = m_params.iImageHeight * 254.0 / (m_params.iResolutionY * 10.0);
    if (std::min(widthMm, heightMm) < kMinMarkDistanceMm) throw TextError("Less than 50mm distance between cut marks");
    const double distance = std::min(std::max(widthMm, heightMm), kMaxMarkDistanceMm);

    const int32_t barWidthDots = RoundToInt32((distance / 5226.0 * 1800 + 720.0) / 254.0);
    const int32_t barLengthDots = RoundToInt32((distance / 99.0 * 1800 + 17100.0) / 254.0);
    m_dBarWidthMm = DotsToMm(barWidthDots);
    m_dBarLengthMm = DotsToMm(barLengthDots);
    m_iMarginPx = CeilToInt32Eps((m_dBarWidthMm * 0.5 + 0.4) * m_params.iResolutionX * 10 / 254.0 * 0.125,
                                 1.1368683772161603e-13) *
                  8;

    // Before the image: the horizontal arm of each L, then its downward arm;
    // after it: the upward arm, then the horizontal arm.
    if (!after) {
        EmitRowBlock(barLengthDots, barWidthDots);
        EmitRowBlock(barWidthDots, barLengthDots - barWidthDots);
    } else {
        EmitRowBlock(barWidthDots, barLengthDots - barWidthDots);
        EmitRowBlock(barLengthDots, barWidthDots);
    }
}

void MimakiCutmarksGenerator_Imp::EmitRowBlock(int32_t setDots, int32_t rowsDots) {
    const int64_t rows = int64_t{rowsDots} * m_params.iResolutionY / 180;
    const int64_t rowPixels = int64_t{m_params.iImageWidth} + 2 * int64_t{m_iMarginPx};
    const int64_t set = std::min<int64_t>(int64_t{setDots} * m_params.iResolutionX / 180, rowPixels);
    const int bits = m_params.iBitsPerPixel;
    std::vector<uint8_t> row(static_cast<size_t>((bits * rowPixels + 7) / 8), 0);
    const auto mark = [&](int64_t pixel) {
        const int64_t bit = pixel * bits;
        const int shift = 8 - bits - static_cast<int>(bit % 8);
        row[static_cast<size_t>(bit / 8)] |= static_cast<uint8_t>(((1 << bits) - 1) << shift);
    };
    for (int64_t i = 0; i < set; ++i) {
        mark(i);
        mark(rowPixels - 1 - i);
    }
    for (int64_t i = 0; i < rows; ++i) {
        if (m_params.pfnWriteRow(m_params.pContext, row.data(), static_cast<uint32_t>(row.size())) != 0) {
            throw TextError("Spool file write fail");
        }
    }
}

std::unique_ptr<MimakiCutmarksGenerator> CreateMimakiCutmarksGenerator(const MimakiCutmarksGeneratorParams& params) {
    return std::make_unique<MimakiCutmarksGenerator_Imp>(params);
}

#include "job/line_scaler.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace {

constexpr size_t kLinePadding = 128;
// The position is a running sum of the factor and drifts by rounding. A sum
// this close to a whole number is taken as that number, so that a page whose
// factor fits its lines exactly gets its last line resampled too, rather than
// left to the flush as a copy of the line before.
constexpr double kWholeTolerance = 1e-9;

}  // namespace

int LineScaler::Init(double factor, uint32_t channels, uint32_t width, uint32_t lineLimit, size_t minLineBytes,
                     OutputFunction output, void* context) {
    if (m_bInitialised) Free();
    if (!(factor > 0.0) || channels == 0 || width == 0 || !output) return -1;
    const size_t samples = static_cast<size_t>(channels) * width;
    if (samples > UINT32_MAX) return -1;  // an output line's size is a u32
    const size_t bufferSize = std::max(samples, minLineBytes) + kLinePadding;
    m_pOutLine.reset(new (std::nothrow) uint8_t[bufferSize]());
    m_pAccumulator.reset(new (std::nothrow) float[samples]());
    if (!m_pOutLine || !m_pAccumulator) {
        m_pOutLine.reset();
        m_pAccumulator.reset();
        return -1;
    }
    m_dFactor = factor;
    m_dPosition = 0.0;
    m_nEmitted = 0;
    m_nChannels = channels;
    m_nWidth = width;
    m_nLineLimit = lineLimit;
    m_pfnOutput = output;
    m_pContext = context;
    m_fNormalisation = static_cast<float>(std::min(factor, 1.0));
    m_bInitialised = true;
    return 0;
}

void LineScaler::Emit() {
    const uint32_t size = m_nChannels * m_nWidth;
    m_pfnOutput(m_pOutLine.get(), size, m_pContext);
    ++m_nEmitted;
}

int LineScaler::AddLine(const uint8_t* line, uint32_t size) {
    if (!m_bInitialised) return -2;
    if (m_nEmitted >= m_nLineLimit) return -3;
    const size_t samples = static_cast<size_t>(m_nChannels) * m_nWidth;
    if (!line || size < samples) return -4;

    const double f = m_dFactor;
    float* acc = m_pAccumulator.get();
    uint8_t* out = m_pOutLine.get();
    if (m_dPosition < 1.0) {
        m_dPosition += f;
        const double whole = std::round(m_dPosition);
        if (std::fabs(m_dPosition - whole) < kWholeTolerance) m_dPosition = whole;
    }
    for (;;) {
        // The share of this line that falls into the current output line
        // (w1) and into the next one (w2).
        double w1 = 1.0;
        double w2 = 0.0;
        if (f < 1.0) {
            if (m_dPosition > 1.0) {
                w1 = (1.0 - m_dPosition + f) / f;
                w2 = 1.0 - w1;
            }
        } else {
            if (m_dPosition > f) w1 = 1.0 - m_dPosition + f;
            if (m_dPosition < 2.0) w2 = m_dPosition - 1.0;
        }
        const float weight1 = static_cast<float>(w1);
        for (size_t i = 0; i < samples; ++i) acc[i] += line[i] * weight1;
        if (m_dPosition < 1.0) break;

        const float weight2 = static_cast<float>(w2);
        for (size_t i = 0; i < samples; ++i) {
            const float value = acc[i] * m_fNormalisation + 0.5f;
            out[i] = value >= 255.0f ? 255 : value <= 0.0f ? 0 : static_cast<uint8_t>(value);
            acc[i] = line[i] * weight2;
        }
        Emit();
        m_dPosition -= 1.0;
        // A page never gets more lines than its limit.
        if (m_dPosition < 1.0 || m_nEmitted >= m_nLineLimit) break;
    }
    return 0;
}

int LineScaler::Write(const uint8_t* line, uint32_t size) {
    const int r = AddLine(line, size);
    return r == -3 ? 0 : r;
}

int LineScaler::Flush() {
    if (!m_bInitialised) return -2;
    while (m_nEmitted < m_nLineLimit) Emit();
    m_dPosition = 0.0;
    m_nEmitted = 0;
    std::fill_n(m_pAccumulator.get(), static_cast<size_t>(m_nChannels) * m_nWidth, 0.0f);
    return 0;
}

int LineScaler::Free() {
    if (!m_bInitialised) return -1;
    m_pOutLine.reset();
    m_pAccumulator.reset();
    m_bInitialised = false;
    return 0;
}

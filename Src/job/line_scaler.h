// The paper-feed resampler: stretches or shrinks a page along the feed
// direction by a factor F close to 1 by resampling whole lines. Input line i
// covers [i*F, (i+1)*F) of the output axis, output line j covers [j, j+1);
// every output sample is the overlap-weighted sum of the input samples.
// Lines keep their width and layout (channels interleaved per pixel).
#pragma once

#include <cstdint>
#include <memory>

class LineScaler {
public:
    // Receives each finished output line; its result is not examined.
    typedef int (*OutputFunction)(const uint8_t* line, uint32_t size, void* context);

    LineScaler() = default;
    ~LineScaler() = default;
    LineScaler(const LineScaler&) = delete;
    LineScaler& operator=(const LineScaler&) = delete;

    // Sets the scaler up for one page: vertical factor F (above 0), bytes per
    // pixel, pixels per line, the page's number of output lines (the line
    // limit) and the output. Output lines are handed out with channels x
    // width bytes from a buffer of at least minLineBytes (and 128 bytes
    // more), so a reader that takes minLineBytes never runs past it. 0, or -1
    // for a factor, channel count or width that cannot serve (or memory that
    // cannot be had).
    int Init(double factor, uint32_t channels, uint32_t width, uint32_t lineLimit, size_t minLineBytes,
             OutputFunction output, void* context);

    // Takes one input line: 0; -2 not initialised; -3 the line limit is
    // reached; -4 size below channels x width.
    int AddLine(const uint8_t* line, uint32_t size);
    // AddLine, with lines beyond the limit dropped silently (0).
    int Write(const uint8_t* line, uint32_t size);
    // Repeats the last output line until the page has its line limit, then
    // starts the count afresh: 0; -2 when not initialised.
    int Flush();
    // Releases the buffers: 0; -1 when not initialised.
    int Free();

    bool IsInitialised() const { return m_bInitialised; }
    uint32_t LinesEmitted() const { return m_nEmitted; }

private:
    void Emit();

    bool m_bInitialised = false;
    double m_dFactor = 1.0;
    double m_dPosition = 0.0;
    uint32_t m_nEmitted = 0;
    uint32_t m_nChannels = 0;
    uint32_t m_nWidth = 0;
    uint32_t m_nLineLimit = 0;
    OutputFunction m_pfnOutput = nullptr;
    void* m_pContext = nullptr;
    std::unique_ptr<uint8_t[]> m_pOutLine;
    std::unique_ptr<float[]> m_pAccumulator;
    float m_fNormalisation = 1.0f;
};

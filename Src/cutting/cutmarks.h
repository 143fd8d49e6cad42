// Registration marks for print-and-cut devices that read printed marks:
// L-shaped bars at the four corners of a frame around the image, as raster
// rows before the image and after it. Mark sizes are whole dots of 1/180 inch
// and grow with the distance between the marks; the cut-path placement reads
// the same sizes.
#pragma once

#include <cstdint>
#include <memory>

// Marks are drawn only at 360 dpi and more, in steps of 180 (their sizes are
// whole dots of 1/180 inch); the generator refuses any other resolution.
inline bool IsLegalResolution(int32_t dpi) { return dpi >= 360 && dpi % 180 == 0; }

// What the page code hands to the generator (copied).
struct MimakiCutmarksGeneratorParams {
    // Writes one row; 0 for success.
    int (*pfnWriteRow)(void* context, const uint8_t* row, uint32_t size) = nullptr;
    void* pContext = nullptr;  // the job
    int32_t iResolutionX = 0;  // dpi
    int32_t iResolutionY = 0;
    int32_t iImageWidth = 0;  // pixels
    int32_t iImageHeight = 0;
    int32_t iBitsPerPixel = 1;  // 1, or 2 for two-bit dot codes
};

// The mark sizes that the cut-path placement needs, in points; 0 until the
// first marks are emitted.
class IMimakiCutmarksGeneratorInfo {
public:
    virtual double GetBarLengthPt() = 0;
    virtual double GetBarWidthPt() = 0;
    virtual double GetMarginPt() = 0;

protected:
    ~IMimakiCutmarksGeneratorInfo() = default;
};

class MimakiCutmarksGenerator : public IMimakiCutmarksGeneratorInfo {
public:
    virtual ~MimakiCutmarksGenerator() = default;
    // Writes the rows before the image (after = false) or after it (true).
    // Throws TextError "Less than 50mm distance between cut marks" (no row
    // written) and "Spool file write fail" when the callback fails.
    virtual void EmitMarks(bool after) = 0;
    // The bar length in hundredths of a millimetre.
    virtual int32_t GetBarLengthHundredths() = 0;
    // The margin by which the image rows move right, a multiple of 8 pixels.
    virtual int32_t GetMarginPx() = 0;
};

class MimakiCutmarksGenerator_Imp : public MimakiCutmarksGenerator {
public:
    // Checks the parameters; throws TextError "MimakiCutmarksGenerator_Imp
    // no callback", "... no image", "... illegal resolution X", "... illegal
    // resolution Y" or "... illegal bits per pixel", in this order.
    explicit MimakiCutmarksGenerator_Imp(const MimakiCutmarksGeneratorParams& params);

    double GetBarLengthPt() override;
    double GetBarWidthPt() override;
    double GetMarginPt() override;
    void EmitMarks(bool after) override;
    int32_t GetBarLengthHundredths() override;
    int32_t GetMarginPx() override { return m_iMarginPx; }

private:
    // Writes rowsDots * y resolution / 180 equal rows with setDots * x
    // resolution / 180 pixels set at each end.
    void EmitRowBlock(int32_t setDots, int32_t rowsDots);

    MimakiCutmarksGeneratorParams m_params;
    double m_dBarWidthMm = 0.0;
    double m_dBarLengthMm = 0.0;
    int32_t m_iMarginPx = 0;
};

std::unique_ptr<MimakiCutmarksGenerator> CreateMimakiCutmarksGenerator(const MimakiCutmarksGeneratorParams& params);

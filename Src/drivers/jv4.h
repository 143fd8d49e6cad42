// The JV4 line (models 697 to 699): the classic command form of the JV3 line
// with three commands of its own ("ME", "MM", "MY") and an artwork print
// quality that prints the black plane alone. Also the two page ends that
// other lines install: JV4_ClosePage (a form feed: JV3 and JV4) and
// JV400_ClosePage ("QE": the JV400 and JV5 lines).
#pragma once

#include <cstdint>

#include "drivers/mrl/mrl.h"
#include "drivers/output_color_modes.h"
#include "drivers/mrl/mrl_page_buffer.h"

class CVarnPrn;

// The print quality of a JV4 job, decoded.
struct JV4PrintQuality {
    uint8_t artwork = 0;      // print quality 19 or 23
    uint8_t highQuality = 0;  // 23 (artwork only)
    uint8_t thinDot = 0;      // dot size 1 (artwork only)
    int32_t resolutionX = 0;  // the job's, adjusted
    int32_t resolutionY = 0;
    int32_t passes = 255;     // 16 in artwork mode
    bool highSpeed = false;
    uint8_t xDoubled = 0;
    uint8_t yLimited = 0;
};

// Qualities of 400 and up ask for 720 dpi down the page: a job at another y
// resolution is limited to 720, one at 720 doubles x to 1440. The passes are
// the quality below 200; 200 + N is the hi-speed form of N passes.
JV4PrintQuality JV4_DecodePrintQuality(const CVarnPrn* job);

// The page object: the line buffers of MrlPageBuffer, the planes sent (first,
// end exclusive) and their colour codes.
struct JV4PageBuffer : MrlPageBuffer {
    explicit JV4PageBuffer(const CVarnPrn* job);
    int32_t m_iFirstPlane = 0;
    int32_t m_iEndPlane = 0;  // the channel count, at most 6; 4 in artwork mode (first 3)
    int32_t m_aColourCodes[6] = {2, 1, 4, 0, 0x12, 0x11};
};

// "MY" code of an ink type: 501 gives 17, 502 16, 503 18, 517 0, 518 1, any other 0xFF.
Bytes MRL_MY_FromInkType(int32_t inkType);
Bytes MRL_MM(const JV4PrintQuality& quality);
// "MM" in artwork mode, nothing otherwise.
Bytes MRL_MM_ForArtwork(const JV4PrintQuality& quality);
// "MC" with the code, nothing in artwork mode.
Bytes MRL_MC_UnlessArtwork(const JV4PrintQuality& quality, int32_t code);

// The classic resolution code of a JV4 job from its adjusted resolution.
int32_t JV4_ResolutionCode(const CVarnPrn& job, const JV4PrintQuality& quality);

// The output colour modes of the JV4 line: CMYK, CMYKcm, CMYKOG.
extern const OutputColorModes JV4_OutputColorModes;
int JV4_OpenJob(CVarnPrn* job);
int JV4_InitHalftone(CVarnPrn* job);
int JV4_OpenPage(CVarnPrn* job);
int JV4_WriteLine(CVarnPrn* job);

// Page ends: free whatever page object the job holds and write the page-end
// record (FF, or "QE"), with or without a page object. 0, -1 without a job,
// or minus the writer's code.
int JV4_ClosePage(CVarnPrn* job);
int JV400_ClosePage(CVarnPrn* job);

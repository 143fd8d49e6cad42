// What the page ends of the print-and-cut lines share: the extra feed after
// a cut of mode 6, the frame of the cut job, and the handling of a page
// without cut data.
#pragma once

#include <cstdint>

#include "cutting/cutmarks.h"
#include "drivers/mrl/mrl.h"

class CVarnPrn;

namespace printandcut {

// What a page hands to its mark generator: the row output and the job as its
// context, the job's resolutions and image width, the image height given and
// the bits per pixel of the raster records.
MimakiCutmarksGeneratorParams MarkParams(CVarnPrn* job, int (*writeRow)(void*, const uint8_t*, uint32_t),
                                         int32_t imageHeight, int32_t bitsPerPixel);

// The feed of cutting mode 6 in lines: 150 mm plus half the bar length of the
// marks (none without a generator) at the y resolution.
int32_t FeedReserveLines(MimakiCutmarksGenerator* generator, int32_t yDpi);
// "QX" 1 and the feed, then a one-byte "QD" of colour code 4 (0x40); nothing
// for a feed of 0.
Bytes FeedReserve(int32_t feed, uint8_t bitsPerPixel);

// The cut job after "QE": "GR", "GS" (marks, their bar length in hundredths,
// the dry time clamped to a byte) and the cut data.
Bytes CutJob(MimakiCutmarksGenerator* generator, int32_t dryTime, const Bytes& cutData);

// The switch in the current directory that makes a page without cut data
// print with an information message instead of failing.
inline constexpr const char* kMissingCutDataWorkaround = "WorkaroundMissingCutData.txt";

// A print-and-cut job whose printer option-id list was refused finds no
// print-and-cut option in it and prints without cut marks and without cut:
// the list's warning in "Process/InfoMessage" says so.
void NoteRefusedOptionList(CVarnPrn* job);

// "No cut data: <reason>": an information message when the switch file can
// be read in the current directory (true), else the job's error message
// (false: the page fails).
bool ReportMissingCutData(CVarnPrn* job, const char* reason);

}  // namespace printandcut

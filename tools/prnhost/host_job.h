// How the host program turns an image and a ticket into the calls of a job.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image.h"
#include "ticket_store.h"

namespace prnhost {

// The raster as the plug-in takes it.
struct LineLayout {
    bool pagePlanar = false;  // bands of four planes ("Output/Input/Format" 1)
    int linesPerBand = 1;     // lines per band ("Output/Input/NumOfLines")
    size_t callBytes = 0;     // bytes handed to one WriteLine
    int calls = 0;            // WriteLine calls of the page
};

// Sets the job's input keys from the image where the ticket does not set
// them: "Process/OutWidthPixel", "Process/OutHeightPixel",
// "Process/Components", "Output/Prn/Printer/InputColorMode" (3 RGB, 4 CMYK,
// 6 CMYKOG, 7 CMYKRGB), "Output/Input/Format" (0) and
// "Output/Input/NumOfLines" (1). A grey image becomes CMYK first (black =
// 255 - grey). False with a message when the image and the ticket do not
// fit together.
bool PrepareJobInput(Image& image, hostkit::TicketStore& store, LineLayout& layout, std::string& error);

// The bytes of WriteLine call n (0-based): one line padded with zeros to a
// multiple of 32 bytes, or one band of four planes of linesPerBand lines
// each (lines past the image are zero).
void FillCall(const Image& image, const LineLayout& layout, int n, std::vector<uint8_t>& out);

}  // namespace prnhost

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

// Every string element of a key of the job (or, with TICKET_SCOPE_SYSTEM, of
// the system ticket), in order.
std::vector<std::string> TicketStrings(const hostkit::TicketStore& store, const char* key,
                                       uint32_t scope = TICKET_SCOPE_JOB);

// The picture as the plug-in gets it: a grey picture as the black of CMYK.
ImageInfo FedInfo(const ImageInfo& picture);

// Sets the job's input keys from the (fed) picture where the ticket does not
// set them: "Process/OutWidthPixel", "Process/OutHeightPixel",
// "Process/Components", "Output/Prn/Printer/InputColorMode" (3 RGB, 4 CMYK,
// 6 CMYKOG, 7 CMYKRGB), "Output/Input/Format" (0) and
// "Output/Input/NumOfLines" (1). False with a message when the picture and
// the ticket do not fit together: among them a picture whose colours the
// program does not know and the ticket does not name, a ticket whose colour
// mode is not the picture's, and a picture with alpha when the ticket does
// not set "Process/Components" (that is, count the alpha among its channels).
bool PrepareJobInput(const ImageInfo& fed, hostkit::TicketStore& store, LineLayout& layout, std::string& error);

// The WriteLine calls of one page, read from the picture as they are made:
// one line padded with zeros to a multiple of 32 bytes, or one band of four
// planes of linesPerBand lines each (lines past the picture are zero).
class PageFeeder {
public:
    PageFeeder(ImageReader& picture, const LineLayout& layout);
    // The next call's bytes; false with a message when the picture cannot be read.
    bool Next(std::vector<uint8_t>& call, std::string& error);

private:
    // The next row of the picture as fed (grey made CMYK).
    const uint8_t* NextRow(std::string& error);

    ImageReader& picture_;
    const LineLayout& layout_;
    ImageInfo fed_;
    std::vector<uint8_t> row_;
    std::vector<uint8_t> grey_;
    int rowsRead_ = 0;
};

}  // namespace prnhost

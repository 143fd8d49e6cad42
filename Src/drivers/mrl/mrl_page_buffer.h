// The per-page state of the families that write every raster line straight
// to the host: the commands of one line, the packing scratch, an optional
// dot-code converter and the bits per pixel of the raster records. The job
// holds it in its family-object slot from OpenPage to ClosePage.
#pragma once

#include <cstdint>
#include <memory>

#include "halftone/bit_converters.h"
#include "base/byte_buffer.h"
#include "job/family_object.h"

class CVarnPrn;

struct MrlPageBuffer : FamilyObject {
    ByteBuffer m_Output;   // the commands of one raster line
    ByteBuffer m_Packing;  // PackBits scratch
    std::unique_ptr<clVDS2_CONVERTER> m_pConverter;
    uint8_t m_bTwoBitsPerPixel = 0;

    // The page object the job holds, or null.
    static MrlPageBuffer* Of(const CVarnPrn* job);
    // A fresh page object, stored in the job; a page object still held is freed first.
    static MrlPageBuffer* Attach(CVarnPrn* job);
    // Takes the page object out of the job (the job's slot becomes null).
    static std::unique_ptr<MrlPageBuffer> Detach(CVarnPrn* job);
};

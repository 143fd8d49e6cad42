// The per-page state of the families that write every raster line straight
// to the host: the commands of one line, the packing scratch, an optional
// dot-code converter and the bits per pixel of the raster records. The job
// holds it in its family-object slot from OpenPage to ClosePage.
#pragma once

#include <cstdint>
#include <memory>

#include "halftone/bit_converters.h"
#include "base/byte_buffer.h"
#include "job/varn_prn.h"

struct MrlPageBuffer : IDriverObject {
    ByteBuffer m_Output;   // the commands of one raster line
    ByteBuffer m_Packing;  // PackBits scratch
    std::unique_ptr<clVDS2_CONVERTER> m_pConverter;
    uint8_t m_bTwoBitsPerPixel = 0;

    MrlPageBuffer() = default;
    MrlPageBuffer(const MrlPageBuffer&) = delete;
    MrlPageBuffer& operator=(const MrlPageBuffer&) = delete;

    // The page object the job holds (null when it holds none, or another kind of object).
    static MrlPageBuffer* Of(const CVarnPrn* job);
    // A fresh page object, stored in the job; a page object still held is freed first.
    static MrlPageBuffer* Attach(CVarnPrn* job);
    // Takes the page object out of the job (the job's slot becomes null;
    // an object of another kind is freed).
    static std::unique_ptr<MrlPageBuffer> Detach(CVarnPrn* job);
};

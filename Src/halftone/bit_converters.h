// Bit converters: rewrite a packed line of halftone codes byte by byte before
// the printer command is built. The result lands in the converter's own
// buffer, which grows to the longest line converted and is reused.
#pragma once

#include <array>
#include <cstdint>

#include "base/byte_buffer.h"

class clBIT_CONVERTER {
public:
    virtual ~clBIT_CONVERTER() = default;

    // In-out: on return *data points at the converted bytes and *length holds
    // their count. The base converter leaves both as they are.
    virtual void Convert(uint8_t** data, uint64_t* length);

    // Output bytes per input byte.
    virtual double GetSizeFactor() const { return 1.0; }

protected:
    ByteBuffer m_Output;
};

// Remaps every 2-bit dot code of a line: codes 0, 1, 2, 3 become 0, 2, 3, 0
// below 1440 dpi across the scan, and 0, 1, 3, 0 from 1440 dpi on.
class clVDS2_CONVERTER : public clBIT_CONVERTER {
public:
    explicit clVDS2_CONVERTER(int32_t resolutionX);

    // Null data or a zero length leaves both arguments unchanged; otherwise
    // the caller's bytes are read, never written.
    void Convert(uint8_t** data, uint64_t* length) override;

private:
    std::array<uint8_t, 256> m_Table{};
};

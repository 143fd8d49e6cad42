// The Tx500 (models 7073, 7074) and TS500 (7075, 7076) lines: textile and
// sublimation printers whose driver object lives for the job and writes each
// halftoned line straight to the host as "QD" records.
#pragma once

#include <cstdint>

#include "base/byte_buffer.h"
#include "drivers/family_driver.h"

class CVarnPrn;
struct VdsDotSetDescriptor;

// The colour-code override file, read from the current directory when a
// driver object is made: one hexadecimal number whose bytes, least
// significant first, become the colour codes of planes 0 to 5.
inline constexpr const char* kColorCodeOverrideFile = "QorMimakiColorCodes.txt";

class Tx500_Intern : public FamilyDriver {
public:
    // The built-in colour codes, then the override file.
    Tx500_Intern();

    int32_t OpenPage(CVarnPrn* job) override;   // Tx500_OpenPage
    int32_t ClosePage(CVarnPrn* job) override;  // Tx500_ClosePage

    // Printer colour code of each plane: B, M, Y, K, light b, light m.
    int32_t m_aColorCodes[6] = {2, 1, 4, 0, 18, 17};
    ByteBuffer m_Line;     // the commands of one raster line
    ByteBuffer m_Packing;  // PackBits scratch
    bool m_bVariableDot = false;  // two bits per pixel
};

// Reads the override file into the driver's colour codes when it holds a
// hexadecimal number (as "%llx" reads it); otherwise the codes stay.
void ReadColorCodeOverride(Tx500_Intern* driver);

// The dot set of variable dots: "SB310 WF1 2dots" for the ink type 536,
// "SB300 WF1 2dots" for every other.
const VdsDotSetDescriptor& Tx500_VariableDotSet(int32_t inkType);

// Job start: job header, dot-size check, driver object and halftoner. 0, -1
// without a job, -2 when the dot size is not in the table or the set-up
// fails (with "Output/ErrorMessage"), else the host writer's code.
int Tx500_OpenJob(CVarnPrn* job);
bool Tx500_InitHalftone(Tx500_Intern* driver, CVarnPrn* job);
// Page header; -1 for a print mode not in the model's table, minus the host
// writer's code when the write fails.
int Tx500_OpenPage(Tx500_Intern* driver, CVarnPrn* job);
int Tx500_ClosePage(Tx500_Intern* driver, CVarnPrn* job);
// Print-line hook: one "QD" record per non-blank plane, "QR" 1, one write.
int Tx500_WriteLine(CVarnPrn* job);
// CloseJob hook: the close-job record, then the driver object is deleted.
int Tx500_CloseJob(CVarnPrn* job);

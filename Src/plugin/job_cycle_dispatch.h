// The printer families and the printer-model numbers each one serves. The job
// object looks a job's model up here at OpenJob and runs the family's OpenJob.
#pragma once

#include <cstdint>

#include "drivers/output_color_modes.h"
#include "job/varn_prn.h"

struct PrinterFamilyRow {
    int32_t firstModel;
    int32_t lastModel;
    const char* traceFormat;  // logged with the model number before the family runs; null: none
    JobHook openJob;          // null while the family is not built: its models are refused
    const OutputColorModes* outputColorModes;  // the family's; null: the family checks the mode itself
};

// The row that serves the printer-model number, or null when no row does.
const PrinterFamilyRow* FindPrinterFamily(int32_t model);

// A family that only test builds install (their test library calls this when
// it is loaded), for model numbers that no production row serves. A range
// that overlaps a production row, or an empty one, is refused (false); a null
// openJob removes the test family.
bool SetTestPrinterFamily(int32_t firstModel, int32_t lastModel, const char* traceFormat, JobHook openJob);

// The printer families and the printer-model numbers each one serves. The job
// object looks a job's model up here at OpenJob and runs the family's OpenJob.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "drivers/output_color_modes.h"
#include "job/varn_prn.h"

struct PrinterFamilyRow {
    int32_t firstModel;
    int32_t lastModel;
    const char* traceFormat;  // logged with the model number before the family runs; null: none
    JobHook openJob;          // null while the family is not built: its models are refused
    const OutputColorModes* outputColorModes;  // the family's, for a model the catalogue does not list
};

// The row that serves the printer-model number, or null when no row does.
const PrinterFamilyRow* FindPrinterFamily(int32_t model);

// The output colour modes ("Output/Prn/Printer/OutputColorMode") OpenJob
// takes for a printer model, in ascending order: those its catalogue row
// offers the host; a model that the catalogue does not list keeps its
// family's list. Empty when neither has one (any mode goes).
std::vector<int32_t> OutputColorModesOf(int32_t model);

// True when OpenJob takes the output colour mode for the model.
bool TakesOutputColorMode(int32_t model, int32_t mode);

// "4, 6"
std::string ColorModeList(const std::vector<int32_t>& modes);

// A family that only test builds install (their test library calls this when
// it is loaded), for model numbers that no production row serves. A range
// that overlaps a production row, or an empty one, is refused (false); a null
// openJob removes the test family.
bool SetTestPrinterFamily(int32_t firstModel, int32_t lastModel, const char* traceFormat, JobHook openJob);

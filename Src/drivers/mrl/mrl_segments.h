// Job settings turned into MRL command parameters, and the feed-correction
// segment of the "Q" page headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "drivers/mrl/mrl.h"

class CVarnPrn;

// A heater temperature (or another optional job value) as one parameter
// byte: 0xFF when the list has no element at index or the element rounds to
// -1 (the printer's own setting); the rounded value when it lies from 20 to
// maximum; 0 otherwise.
uint8_t GetJobOptionValue(const std::vector<double>& values, size_t index, int32_t maximum);

// Vacuum power 1 to 5 as the printer's code 4 to 0; any other value 0xFF.
uint8_t MRL_VacuumCode(int32_t vacuumPower);

// Dryer time in minutes as seconds, at most 999; -1 for a negative time
// (sent in a 16-bit field as 0xFFFF).
int32_t MRL_DryerTimeCode(int32_t minutes);

// Media type id 1 to 4 unchanged, 20 as 0xFF, anything else 1.
uint8_t MRL_MediaTypeCode(int32_t mediaTypeId);

// t = value x 10 truncated toward zero; t when it lies from lo to hi (a
// range within a byte), else 0xFF.
uint8_t MRL_TenthsCode(double value, int32_t lo, int32_t hi);

// The job's paper-feed correction: "QA" with round((factor - 1) x 10000),
// limited to 255; nothing when that is 0 or there is no job.
Bytes MRL_QA_Segment(const CVarnPrn* job);

// The job's paper-feed correction as "MA": round((factor - 1) x 10000);
// nothing when that is 0 or there is no job.
Bytes MRL_MA_FromJob(const CVarnPrn* job);

// The white-ink "SO" command of the printers of ink-set class 17 whose job
// prints white (ink-set codes 419, 420, 421, 460, 464); nothing otherwise.
Bytes MRL_SO_ForWhiteInk(CVarnPrn* job);

// Logs "<label> Printing layers: <names>" and adds "Printing layers: <names>"
// to the user's information messages.
void LogPrintingLayers(CVarnPrn* job, const char* label, const std::string& layerNames);

// Job settings turned into MRL command parameters, and the feed-correction
// segment of the "Q" page headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "drivers/mrl/mrl.h"

class CVarnPrn;

// A heater temperature (or another optional job value) as one parameter
// byte: 0xFF when the list has no element at index or the element rounds to
// -1 (the printer's own setting); the rounded value when it lies from 20 to
// maximum; 0 otherwise.
uint8_t GetJobOptionValue(const std::vector<double>& values, size_t index, int32_t maximum);

// The same with the range lo to hi in place of 20 to maximum.
uint8_t GetJobOptionValueInRange(const std::vector<double>& values, size_t index, int32_t lo, int32_t hi);

// Vacuum power 1 to 5 as the printer's code 4 to 0; any other value 0xFF.
uint8_t MRL_VacuumCode(int32_t vacuumPower);

// Dryer time in minutes as seconds, at most 999; -1 for a negative time
// (sent in a 16-bit field as 0xFFFF).
int32_t MRL_DryerTimeCode(int32_t minutes);

// Dryer time in minutes as seconds, at most cap; -1 for a time below minimum.
int32_t MRL_DryerTimeCodeInRange(int32_t minutes, int32_t minimum, int32_t cap);

// Media type id 1 to 4 unchanged, 20 as 0xFF, anything else 1.
uint8_t MRL_MediaTypeCode(int32_t mediaTypeId);

// t = value x 10 truncated toward zero; t when it lies from lo to hi (a
// range within a byte), else 0xFF.
uint8_t MRL_TenthsCode(double value, int32_t lo, int32_t hi);

// The dot-mode code of the "Q" printers from P = x dpi x y dpi, the dot-size
// id and the halftone mode (mode 6, matrix screening, counts as dot size 1).
int MRL_DotModeCode(int64_t P, int dotSize, int halftoneMode);

// round((factor - 1) x 10000), limited to -limit to limit.
int32_t MRL_FeedCorrection(double factor, int32_t limit);

// 0 for a negative value, 255 from 255 on, else the value.
uint8_t ClampToByte(int32_t value);

// A page-header field that a ticket value fills: true when what the family
// writes there for the key's value lies in 0 to `largest`; otherwise the job
// is refused naming the key and its value (with what it gives, when that
// differs, in `unit`), and false.
bool HeaderFieldHolds(CVarnPrn* job, const char* key, int64_t value, int64_t written, int64_t largest,
                      const char* unit = "");

// The flag that the pass byte of a classic "MP" adds to the pass count for a
// hi-speed scan.
constexpr int32_t kHighSpeedPassFlag = 128;
// That byte: the pass count, with the flag at a hi-speed scan.
constexpr int32_t MRL_PassByte(int32_t passes, bool highSpeed) {
    return highSpeed ? passes + kHighSpeedPassFlag : passes;
}

// True when a page header carries `passes` as they are: 1 to 255, or 1 to
// 127 where their byte also carries the hi-speed flag (`flagged`: the line
// writes MRL_PassByte, whose top bit would read as the flag at any scan;
// `highSpeed`: this scan is one). Otherwise the job is refused naming the
// print quality, or the y resolution when the printer's range of passes for
// it (`raised`) changed the quality's passes, and false.
bool PassCountHolds(CVarnPrn* job, bool raised, int32_t passes, bool flagged = false, bool highSpeed = false);

// True when the picture's width in printer pixels fits the 24 bits of "MW";
// false after refusing the job.
bool PictureWidthFitsMW(CVarnPrn* job);

// The key whose value the pass fields of the page headers are made from.
constexpr const char* kPrintQualityKey = "Output/Prn/Specific/PrintQuality";

// The job's paper-feed correction: "QA" with round((factor - 1) x 10000) of
// the printer's factor (CVarnPrn::PrinterFeedAdjust),
// limited to 255; nothing when that is 0 or there is no job.
Bytes MRL_QA_Segment(const CVarnPrn* job);

// The same limited to 9999, for the page headers that take the wider range.
Bytes MRL_QA_FeedAdjust(const CVarnPrn* job);

// "QZ" 1, edge, scale, 15, 0 when the job prints a pattern (edge above 2 and
// scale above 4 go out as 0); nothing otherwise.
Bytes MRL_QZ_FromJob(const CVarnPrn* job);

// Ink names by printer colour code.
using ColorCodeInkMap = std::map<uint32_t, std::string>;
// An override row; a list of rows ends with a null name.
struct ColorCodeName {
    uint32_t code;
    const char* name;
};
// The built-in names (2 "C", 1 "M", 4 "Y", 0 "K", 5 "O", 18 "c", 17 "m",
// 38 "k"), then the override rows in order: an empty name removes the code,
// any other sets it. overrides may be null.
ColorCodeInkMap MakeColorCodeInkMap(const ColorCodeName* overrides);
// Sets one code's name, or removes it for an empty (or null) name.
void SetColorCodeName(ColorCodeInkMap& map, uint32_t code, const char* name);
// The name of a code, or the code in upper-case hexadecimal ("3A").
std::string GetColorCodeName(const ColorCodeInkMap& map, uint32_t code);

// The job's paper-feed correction as "MA": round((factor - 1) x 10000);
// nothing when that is 0 or there is no job.
Bytes MRL_MA_FromJob(const CVarnPrn* job);

// The white-ink "SO" command of the printers of ink-set class 17 whose job
// prints white (ink-set codes 419, 420, 421, 460, 464); nothing otherwise.
Bytes MRL_SO_ForWhiteInk(CVarnPrn* job);

// Logs "<label> Printing layers: <names>" and adds "Printing layers: <names>"
// to the user's information messages.
void LogPrintingLayers(CVarnPrn* job, const char* label, const std::string& layerNames);

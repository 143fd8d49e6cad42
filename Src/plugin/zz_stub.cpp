#include "halftone/rgb_table.h"
#include "plugin/varn_prn.h"
int32_t LoadEplRgbTable(uint8_t*, const std::string&) { return -2; }
void CVarnPrn::ReadIniSettings(const std::string&) {}

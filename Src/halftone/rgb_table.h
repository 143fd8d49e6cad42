#pragma once
#include <cstdint>
#include <string>
int32_t LoadEplRgbTable(uint8_t* table, const std::string& eplPath);

// String functions that respect the double-byte characters of the active
// ANSI code page: a byte that follows a lead byte is a trail byte and is never
// taken for a character of its own. Positions are byte indexes; -1 is "not found".
#pragma once

#include <cstdint>
#include <string>

struct MbcsLeadByteTable {
    uint8_t isLeadByte[256];
    uint8_t isMultiByte;  // clear: every function below works byte by byte
};

// The process-wide table, built from the active code page when the library loads.
const MbcsLeadByteTable& ActiveLeadByteTable();

// Builds the table again from the active code page (after platform::SetActiveCodePage).
void RebuildLeadByteTable();

// Builds a table from a code page; a code page the platform does not know gives a single-byte table.
MbcsLeadByteTable BuildLeadByteTable(unsigned codePage);

int LastCharPosMbcs(const std::string& s);
void ReplaceCharMbcs(std::string& s, char from, char to);
int FindLastOfMbcs(const std::string& s, const char* set, int pos);
int RFindCharMbcs(const std::string& s, char c, int pos);

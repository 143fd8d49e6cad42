// Small ticket and model helpers of the settings reader.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "host/host_records.h"

// out := the text of a system key (scope 0, id 0; empty when absent) with every
// '\' turned into '/' and a final '/' removed when it is a whole character.
void GetSystemFolderPath(std::string& out, const Ticket* ticket, const char* key);

// Sets one element of an integer key; the host's answer.
bool SetTicketIntAt(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key, int32_t value,
                    int32_t index);

// Whether a halftone mode screens with a matrix from a screening file on a
// printer model: always for mode 6, for mode 7 only on the laser models.
bool UsesScreeningFile(int32_t halftoneMode, int32_t printerModel);

// The folders a job looks for its screening file in, in that order: the
// linearisation file's folder (eplPath up to its last '/', backslashes made
// '/'; empty for a name without a folder), then the screening folder:
// sptFolder ("System/Folders/SPT") or, when that is empty, installFolder's
// "Profiles/Screening", with backslashes made '/' and a final '/'.
std::array<std::string, 2> ScreeningFolders(const std::string& eplPath, const std::string& sptFolder,
                                            const std::string& installFolder);

// Whether the job's "Input/SubType" is 82, 83, 87 or 88, unless the printer
// model is 9020, 9021, 9022 or 9031; false when "Input/SubType" is absent.
bool IsSpecialInputSubType(const Ticket* ticket, uint32_t jobId);

// Whether the job's printer model is 3001, 3002, 3004 or 3006.
bool IsModel3001Group(const Ticket* ticket, uint32_t jobId);

// Raw reads and writes of single ticket values that the job's message helpers
// and the settings reader need beside the typed list helpers, and the path
// helpers of the settings reader.
#pragma once

#include <cstdint>
#include <string>

#include "host/host_records.h"
#include "host/ticket.h"

// Sets a string value at an element index (-1 scalar, -2 append); the host's
// answer, false without a ticket.
bool SetTicketStringValue(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key,
                          const std::string& text, int32_t index);
// Deletes a key (index -1) or one element of a list.
bool DeleteTicketValue(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key, int32_t index);
// Reads a 32-bit integer straight into *field; the field stays as it was when
// the host refuses. The host's answer.
bool GetTicketIntDirect(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key, int32_t* field);
// A path with every backslash turned into '/'.
std::string ForwardSlashes(std::string path);
// What follows the last '/' of a path with forward slashes (the whole path without one).
std::string FileNameOf(const std::string& path);
// What precedes the last '/' (empty without one); with keepSlash the '/' is kept.
std::string FolderOf(const std::string& path, bool keepSlash);
// One element of an integer list, read as Ticket_GetIntElement reads it (an
// integral real is taken as its value); the default when the host refuses it
// or the element refuses the list (*mismatch filled when given).
int32_t GetTicketIntAt(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key, int32_t index,
                       int32_t def, TicketListMismatch* mismatch = nullptr);

// Shared helpers of the print-and-cut lines' tests: the working directory
// (where the page end looks for its workaround file) moved to a test folder,
// and a cut file of one square.
#pragma once

#include <filesystem>
#include <string>

#include "support/current_folder.h"

// A path as ticket text takes it: forward slashes (a backslash would escape).
inline std::string TicketPath(const std::string& path) { return std::filesystem::path(path).generic_string(); }

// A square of 100 points.
inline const char* kSquareCutFile =
    "%!PS-Adobe-3.0\r\n%%Note: AI_ParserStart\r\n0 0 m\r\n100 0 l\r\n100 100 l\r\n0 100 l\r\n0 0 l\r\n"
    "%%Note: AI_ParserStop\r\n";

// The working directory of the test; the previous one comes back afterwards
// (a Windows test program runs all its tests in one process).
using WorkingFolder = CurrentFolder;

// spotgen: writes a spot file of generated threshold matrices.
//
//   spotgen [--type 2|10] [--size1 N] [--size2 M] [--block] [--seed S] OUT
//
// Type 10 (the default) writes matrices A (N x N) and B (M x M) per channel,
// type 2 one matrix of M rows of N thresholds. --block adds the 1024-byte
// block after the header. The thresholds come from the rule of the plug-in's
// built-in matrices with seed S + channel (S defaults to 1), so a file is the
// same on every machine and every run.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/format.h"
#include "output_file.h"
#include "standard_output.h"
#include "spotgen/spot_writer.h"

namespace {

int Usage() {
    std::fprintf(stderr, "usage: spotgen [--type 2|10] [--size1 N] [--size2 M] [--block] [--seed S] OUT\n");
    return 2;
}

bool ParseCount(const char* text, unsigned long max, unsigned long& out) {
    char* end = nullptr;
    out = std::strtoul(text, &end, 10);
    return end && *end == '\0' && out >= 1 && out <= max;
}

}  // namespace

int main(int argc, char** argv) {
    toolfile::OpenClosedStandardFiles();
    unsigned long type = 10, size1 = 16, size2 = 9, seed = 1;
    bool block = false;
    std::string out;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            return toolfile::PrintHelp("spotgen",
                                       "usage: spotgen [--type 2|10] [--size1 N] [--size2 M] [--block] [--seed S] OUT\n"
                                       "Writes a spot file of generated threshold matrices for matrix screening.\n");
        }
        if (arg == "--block") {
            block = true;
        } else if (arg == "--type" && hasValue) {
            if (!ParseCount(argv[++i], 10, type) || (type != 2 && type != 10)) return Usage();
        } else if (arg == "--size1" && hasValue) {
            if (!ParseCount(argv[++i], 4096, size1)) return Usage();
        } else if (arg == "--size2" && hasValue) {
            if (!ParseCount(argv[++i], 4096, size2)) return Usage();
        } else if (arg == "--seed" && hasValue) {
            if (!ParseCount(argv[++i], 1000000, seed)) return Usage();
        } else if (!arg.empty() && arg[0] != '-' && out.empty()) {
            out = arg;
        } else {
            return Usage();
        }
    }
    if (out.empty()) return Usage();
    std::string error = toolfile::RefuseOverwrite({"OUT", out}, {});
    if (!error.empty()) {
        std::fprintf(stderr, "spotgen: %s\n", EscapeControlBytes(error).c_str());
        return 1;
    }
    toolfile::RemoveTemporariesOnSignals();
    const auto file = spotgen::Generate(type == 10, block, uint32_t(size1), uint32_t(size2), seed);
    if (!spotgen::WriteFile(out, spotgen::Encode(file), error)) {
        std::fprintf(stderr, "spotgen: %s\n", EscapeControlBytes(error).c_str());
        return 1;
    }
    return 0;
}

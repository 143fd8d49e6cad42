// The visual-correction curve file, read into a job's correction tables.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_support.h"
#include "job/varn_prn.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsupport::QuietLogger log;
    CVarnPrn job(nullptr, 1, &log);
    const std::vector<char> text(data, data + size);
    VisualCorrectionTables tables;
    job.ReadVisualCorrectionText(tables, text, "/fuzz/visual.crv");
    // And through the file.
    const std::string path = fuzzsupport::WriteInput("visual.crv", data, size);
    VisualCorrectionTables fromFile;
    job.ReadVisualCorrectionFile(fromFile, path);
    return 0;
}

// Spot files: ReadSpotFile on the input, then, when it read a screen, a few
// lines screened with it through routine 51 of the halftoner.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "fuzz_support.h"
#include "halftone/halftone.h"
#include "halftone/spot_file.h"
#include "job/varn_prn.h"

namespace {
constexpr int kWidth = 40;
constexpr int kLines = 6;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsupport::PreloadEpl();
    const std::string path = fuzzsupport::WriteInput("job.spt", data, size);
    SpotData record;
    if (ReadSpotFile(nullptr, nullptr, path.c_str(), record) < 0) return 0;

    fuzzsupport::QuietLogger log;
    CVarnPrn job(nullptr, 1, &log);
    // The library is asked first for the screening file's data; a spot file
    // is none of its files, so the spot file is read.
    job.m_strEplPath = KELMORA_EPL_EXAMPLE;
    job.m_iPrinterModell = 700;
    job.m_iOutputColorMode = 4;
    job.m_iResolutionX = job.m_iResolutionY = 720;
    job.m_iImageWidth = job.m_iOutWidthPixel = kWidth;
    job.m_iOutChannels = 4;
    job.m_iPageCount = 1;
    job.m_strScreeningFile = path;
    CHalftone halftone(&job);
    halftone.HalftoneRoutine = HALF_ROUTINE_SCREENING;
    if (halftone.InitJob(&job) != 0) return 0;
    if (halftone.InitPage(&job) == 0) {
        std::vector<uint8_t> line(halftone.InputLineBytes());
        for (int y = 0; y < kLines; ++y) {
            for (size_t i = 0; i < line.size(); ++i) line[i] = uint8_t(i * 37 + size_t(y) * 91);
            job.m_pCurrentLine = line.data();
            halftone.ProcessLine(&job);
        }
        halftone.ExitPage(&job);
    }
    halftone.ExitJob(&job);
    return 0;
}

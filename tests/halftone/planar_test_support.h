// A job whose halftoner runs routine 118, set up the way the variable-dot
// families set it up (CMYK through LinearizeLine4A, one channel type per
// output channel, a CPlanarHalf in m_pPlanarHalf before InitJob), with the
// stand-in linearisation library and its example file.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "halftone/halftone.h"
#include "halftone_test_support.h"
#include "platform/dynamic_library.h"

namespace planartest {

// The dot set "SB53 WF3": 7.6, 16.4 and 26.1 pl with 40 % transitions.
inline const PlanarChannel_VDS_Parameters& Sb53() {
    static const PlanarChannel_VDS_Parameters p(VdsDotSetDescriptor{"SB53 WF3", {7.6f, 16.4f, 26.1f}, {40, 40}});
    return p;
}

inline std::vector<PlanarChannelType> Types(PlanarChannelFactory factory, int n,
                                            const PlanarChannelParameters* p = &Sb53()) {
    return std::vector<PlanarChannelType>(static_cast<size_t>(n), PlanarChannelType{factory, p});
}

// Every kind once: VDS3, VDS2, VDS1, NDS on the four channels (two bits per pixel).
inline std::vector<PlanarChannelType> MixedTypes() {
    static const VdsDotCodes white{1};
    static const auto vds1 = PlanarChannel_VDS_Parameters::CreateDefault(&white);
    return {{CreatePlanarOne_SE1_VDS3, &Sb53()},
            {CreatePlanarOne_SE1_VDS2, &Sb53()},
            {CreatePlanarOne_SE1_VDS1, vds1.get()},
            {CreatePlanarOne_SE1_NDS, nullptr}};
}

class PlanarJob {
public:
    explicit PlanarJob(int width = 37) {
        job = std::make_unique<CVarnPrn>(nullptr, 1, &log);
        job->m_strEplPath = KELMORA_EPL_EXAMPLE;
        job->m_iPrinterModell = 7000;
        job->m_iOutputColorMode = 4;
        job->m_iResolutionX = 720;
        job->m_iResolutionY = 720;
        job->m_iImageWidth = width;
        job->m_iOutWidthPixel = width;
        job->m_iOutHeightPixel = 6;
        job->m_iTotalInkLimit = 300;
    }
    ~PlanarJob() {
        halftone.reset();
        job.reset();
    }

    // The family's set-up and the halftoner's job start; InitJob's result.
    int32_t Start(int32_t threads, std::vector<PlanarChannelType> types, int bitsPerPixel = 2, int channels = 4) {
        halftone = std::make_unique<CHalftone>(job.get());
        halftone->HalftoneRoutine = HALF_ROUTINE_PLANAR;
        halftone->m_iBitsPerPixel = bitsPerPixel;
        halftone->m_iPlanarParam = 0;
        halftone->m_iDotMode = static_cast<uint32_t>(job->m_iDotSize);
        halftone->m_iScreeningParam = 0;
        job->m_iOutChannels = channels;
        const double limits[8] = {100, 100, 100, 100, 100, 100, 100, 100};
        halftone->BuildLinCurves(limits, channels);
        halftone->SetLinearizeFunction(&CHalftone::LinearizeLine4A);
        PlanarHalfConfig config;
        config.job = job.get();
        config.threadCount = threads;
        config.channelTypes = std::move(types);
        halftone->m_pPlanarHalf = CPlanarHalf::Create(config);
        return halftone->InitJob(job.get());
    }

    // A page of CMYK gradient lines; the output lines one after the other.
    // fill: the bytes from the image width to the end of the line.
    std::vector<uint8_t> Page(int lines = 6, int32_t expected = 0, uint8_t fill = 0) {
        std::vector<uint8_t> out;
        EXPECT_EQ(halftone->InitPage(job.get()), 0);
        std::vector<uint8_t> line(halftone->InputLineBytes(), fill);
        const int width = job->m_iImageWidth;
        for (int y = 0; y < lines; ++y) {
            for (int x = 0; x < width; ++x) {
                for (int c = 0; c < 4; ++c) line[static_cast<size_t>(x * 4 + c)] = static_cast<uint8_t>((x * 7 + y * 13 + c * 50) % 256);
            }
            job->m_pCurrentLine = line.data();
            EXPECT_EQ(halftone->ProcessLine(job.get()), expected) << y;
            out.insert(out.end(), job->m_pOutLine,
                       job->m_pOutLine + static_cast<size_t>(job->m_iOutChannels) * job->m_iBytesPerChannel);
        }
        EXPECT_EQ(halftone->ExitPage(job.get()), 0);
        return out;
    }

    platform::DynamicLibrary epl;
    httest::JobLog log;
    std::unique_ptr<CVarnPrn> job;
    std::unique_ptr<CHalftone> halftone;
};

// Loads the stand-in linearisation library (as FamilyTest does) before a test.
#define PLANAR_LOAD_EPL(planarJob)                                                      \
    ASSERT_TRUE((planarJob).epl.LoadFile(KELMORA_EPL_PATH)) << (planarJob).epl.Error(); \
    ASSERT_EPL_LIBRARY_IS(KELMORA_EPL_PATH)

}  // namespace planartest

// The JV300 line's tests and the CJV300 line's: jobs of a given shape read
// from tickets and started, their page headers and printed lines decoded.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "drivers/family_test_support.h"
#include "drivers/jv300/jv300.h"

namespace jv300test {

using prndecode::Command;

constexpr uint32_t kCodes[8] = {2, 1, 4, 0, 0x12, 0x11, 0xFE, 0xFF};

// 720 x 720 dpi, 8 passes, in both JV300 tables.
constexpr int kPrintQuality = 7272080;

struct JobShape {
    int model = 7001;
    int x = 720;
    int y = 720;
    int dotSize = 4;
    int inkType = 0;
    int outputMode = 4;
    bool white = false;
    bool silver = false;
    int printQuality = kPrintQuality;
    std::vector<double> preLimits;
    std::string extra;  // job keys
};

// The ticket lines of ink pre-limits (a 0 ends the list).
inline std::string PreLimitKeys(const std::vector<double>& values) {
    std::string text;
    for (size_t i = 0; i < 8; ++i) {
        text += "Output/Prn/Specific/InkPreLimit/InkPreLimit" + std::to_string(i + 1) + " = \"" +
                (i < values.size() ? std::to_string(values[i]) : std::string("0")) + "\"\n";
    }
    return text;
}

class JV300Test : public FamilyTest {
protected:
    CVarnPrn& Open(const JobShape& s) {
        writer = CapturingWriter();
        std::string text = FamilyJobTicket(s.model, s.x, s.y, s.dotSize, s.printQuality) +
                           "Output/Prn/Printer/OutputColorMode = " + std::to_string(s.outputMode) + "\n" +
                           "Output/Prn/Specific/InkType = " + std::to_string(s.inkType) + "\n" +
                           "Output/Prn/Linearization/BPLPath = \"" +
                           (s.outputMode == 6 ? KELMORA_EPL_LIGHT_INKS : KELMORA_EPL_EXAMPLE) + "\"\n" +
                           "Output/Prn/Specific/White/Mode = 1\nOutput/Prn/Specific/Metallic/Mode = 1\n"
                           "Output/Prn/Specific/White/Order = -1\n" + PreLimitKeys(s.preLimits) +
                           // The picture: CMYK, then white, then silver (whose set-up reads a white channel
                           // too); the four-colour set-up reads CMYK alone.
                           "Process/Components = " +
                           std::to_string(s.outputMode == 4 ? 4 : s.silver ? 6 : s.white ? 5 : 4) + "\n" + s.extra;
        // The printer's spot colours (keys of a ticket loaded earlier stay).
        hostkit::Elements spots;
        if (s.white) spots.push_back(std::string("WHITE_INK"));
        if (s.silver) spots.push_back(std::string("METALLIC_INK"));
        store.SetElements(5, uint32_t(s.model), "Output/Prn/Info/Color/SpotColors", spots);
        return OpenTicket(text);
    }
    // A job started by JV300_OpenJob; its driver object.
    JV300_Intern& Start(const JobShape& s) {
        Open(s);
        job->m_iHalftoneThreadCount = 0;  // inline: no thread pool per job
        EXPECT_EQ(JV300_OpenJob(job.get()), 0) << ErrorMessage();
        JV300_Intern* driver = JV300_Intern::Of(job.get());
        if (!driver) throw std::runtime_error("no driver");
        return *driver;
    }
    // The page header of a started job, decoded.
    std::vector<Command> PageHeader(const JobShape& s) {
        Start(s);
        writer.records.clear();
        EXPECT_EQ(InternPageHook1(job.get()), 0) << ErrorMessage();
        EXPECT_EQ(Last().tag, SPLTAG_PAGE_HEADER);
        return Commands(Last());
    }
    // One halftoned line of every plane filled with byte through the
    // page's print hook; the line's decoded raster commands.
    std::vector<Command> PrintLine(uint8_t byte) {
        writer.records.clear();
        SetHalftonedLine(job->m_iOutChannels, 8);
        std::memset(line.data(), byte, line.size());
        EXPECT_EQ(job->m_pfnPrintLine(job.get()), 0) << ErrorMessage();
        std::vector<Command> raster;
        for (const auto& c : Commands(Last())) {
            if (c.isRaster) raster.push_back(c);
        }
        return raster;
    }
    static bool Has(const std::vector<Command>& commands, const std::string& name) {
        for (const auto& c : commands) {
            if (c.name == name) return true;
        }
        return false;
    }
    static const Command& Find(const std::vector<Command>& commands, const std::string& name) {
        for (const auto& c : commands) {
            if (c.name == name) return c;
        }
        throw std::runtime_error("no " + name);
    }
    double Limit(int plane) const { return job->m_pHalftone->m_apLinTable[plane][4095] * 100.0 / 4095; }
};

}  // namespace jv300test

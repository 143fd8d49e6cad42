// The JV300 line (printer models 7000 to 7017) and the job steps that the
// CJV300 print-and-cut line shares with it: the job start with the family's
// driver object, planar halftoning with variable dots, the page header of
// "Q" commands, raster lines through the "QD" emitter, page and job end.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "drivers/family_driver.h"
#include "drivers/mrl/mrl_segments.h"
#include "drivers/mrl/qd_emitter.h"
#include "halftone/variable_dot.h"
#include "printers/print_modes.h"
#include "services/spool_writer.h"

class CVarnPrn;

// What a JV300 or CJV300 page header carries, worked out from the job.
struct JV300_PageValues {
    uint8_t passes = 0;
    uint8_t hiSpeed = 0;
    uint8_t dotCode = 0;     // 1 variable dots; 0x10 to 0x12 one-bit dots by resolution
    uint8_t dotClass = 0;    // the waveform class 3 to 6
    uint8_t heaters[3] = {0xFF, 0xFF, 0xFF};
    uint8_t vacuum = 0xFF;
    uint16_t dryTime = 0xFFFF;
    uint8_t dryTimePerScan = 0xFF;
    int32_t feedAdjust = 0;
    uint8_t mediaType = 1;
    uint8_t cut = 0;  // roll media with the cutter on
};

// The family's driver object: its emitter with one layer that writes to the
// host, the planes of colour, white and silver, and the halftoner's set-up
// facts the page needs.
class JV300_Intern : public FamilyDriver {
public:
    explicit JV300_Intern(CVarnPrn* job);
    ~JV300_Intern() override = default;

    int32_t OpenPage(CVarnPrn* job) override;
    int32_t ClosePage(CVarnPrn* job) override;
    virtual bool SupportsPulledBackPrint() const { return false; }

    // The driver object the job holds, when it is one of this family.
    static JV300_Intern* Of(const CVarnPrn* job);

    // The layer order of white or silver against colour: 0 when the job
    // prints neither, else 2, 3 or 4 for the white order 1, 4 or 5, 1 for any
    // other order.
    int32_t GetOverPlottingMode(CVarnPrn* job) const;
    // all > 0: colour planes 0 .. all-1, white and silver planes by code
    // (SetChannelOrderFromCode); all = 0: every list empty.
    void SetChannelOrders(int32_t all, int32_t whiteCode, int32_t silverCode);
    // Mode 3: colour, white (or silver), colour again in layer 0 with the
    // layer codes 0, 1, 2; mode 4: white (or silver) alone; else every plane.
    void ConfigureEmitterLayers(CVarnPrn* job, int32_t mode);
    // The codes a layer has printed, for the log: "{ C M Y K }", with layer 0's
    // groups in print order separated by " / " when the page over-plots.
    std::string DescribeRasterChannels(int32_t layer) const;
    std::string FormatChannelSet(const std::set<uint32_t>& codes) const;
    // The page header values; needs the job's print-mode row.
    JV300_PageValues PageValues(CVarnPrn* job, const PRINTMODE& row) const;

    PFN_WRITEPRNDATA_WRAPPER m_Writer;
    ColorCodeInkMap m_mapChannelNames;
    std::vector<int32_t> m_vAllPlanes;
    std::vector<int32_t> m_vWhitePlanes;
    std::vector<int32_t> m_vSilverPlanes;
    std::unique_ptr<MRL_IV_QD_ImageData_Emitter> m_pEmitter;
    int32_t m_iOverPlottingMode = 0;
    bool m_bPulledBack = false;
    bool m_bHasWhite = false;
    bool m_bHasSilver = false;
    int32_t m_iSb53OneBit = 0;
    // The channel parameter sets of the job's halftoner set-up; they live as
    // long as the set-up that points to them.
    std::vector<std::unique_ptr<PlanarChannelParameters>> m_vChannelParameters;
};

// The print-and-cut line's driver object. Its pulled-back layers and cut page
// build on this; until then it prints the JV300 page.
class CJV300_Intern : public JV300_Intern {
public:
    using JV300_Intern::JV300_Intern;
    bool SupportsPulledBackPrint() const override { return true; }
};

// code < 0: empty; 0 to 199: that plane; 200 and more: planes code-200 and code-199.
void SetChannelOrderFromCode(std::vector<int32_t>& list, int32_t code);
// 0 .. n-1 (empty for n below 1).
void SetIdentityChannelOrder(std::vector<int32_t>& list, int32_t n);

// The over-plotting "PL" of the page header, by GetOverPlottingMode; sets the
// driver's m_iOverPlottingMode (0 when no "PL" is sent, also when inhibited).
Bytes MRL_IV_PL_OverPlotting_DependingOnJob(JV300_Intern* driver, CVarnPrn* job, bool inhibit);

// Sets up the job's halftoner (routine 118), the emitter's colour codes and
// bits per pixel, and the job's output channels; false on failure (logged).
bool JV300_InitHalftone(JV300_Intern* driver, CVarnPrn* job);

int JV300_OpenJob(CVarnPrn* job);
int CJV300_OpenJob(CVarnPrn* job);
int JV300_OpenJobImpl(CVarnPrn* job, const char* name);
int CJV300_OpenJobImpl(CVarnPrn* job, const char* name);
int JV300_WriteLine(CVarnPrn* job);
int JV300_CloseJob(CVarnPrn* job);

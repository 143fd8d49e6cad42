// The JV300 line (printer models 7000 to 7017) and the job steps that the
// CJV300 print-and-cut line (with the cut code) shares with it: the job start with the family's
// driver object, planar halftoning with variable dots, the page header of
// "Q" commands, raster lines through the "QD" emitter, page and job end.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "drivers/family_driver.h"
#include "drivers/mrl/mrl_segments.h"
#include "drivers/output_color_modes.h"
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
    // The white planes when the job prints white ink, else the silver planes.
    const std::vector<int32_t>& ExtraPlanes(CVarnPrn* job) const;
    // Mode 3: colour, white (or silver), colour again in layer 0 with the
    // layer codes 0, 1, 2; mode 4: white (or silver) alone; else every plane.
    void ConfigureEmitterLayers(CVarnPrn* job, int32_t mode);
    // The codes a layer has printed, for the log: "{ C M Y K }", with layer 0's
    // groups in print order separated by " / " when the page over-plots.
    std::string DescribeRasterChannels(int32_t layer) const;
    std::string FormatChannelSet(const std::set<uint32_t>& codes) const;
    // The page header values; needs the job's print-mode row.
    JV300_PageValues PageValues(CVarnPrn* job, const PRINTMODE& row) const;
    // "QK", "Q@", "QA", "QC" (with the given cut flag and dry-time code) and
    // "QP" of a page header.
    Bytes PageSetUpCommands(CVarnPrn* job, const JV300_PageValues& v, uint8_t cut, uint16_t dryTime) const;
    // The print-mode row of the job's model and print quality, or null after
    // reporting "<step> Print mode %d not in table for printer %d".
    const PRINTMODE* LookUpPrintMode(CVarnPrn* job, const char* step) const;

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
    const char* m_pImageType = "";  // the colour set-up, named by JV300_InitHalftone
    int32_t m_iSb53OneBit = 0;
    // The channel parameter sets of the job's halftoner set-up; they live as
    // long as the set-up that points to them.
    std::vector<std::unique_ptr<PlanarChannelParameters>> m_vChannelParameters;
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

// The output colour modes of the JV300 line's image types (CMYK or BMYK,
// CMYKcm or BMYKbm), which the CJV300 line shares.
extern const OutputColorModes JV300_OutputColorModes;
int JV300_OpenJob(CVarnPrn* job);
int JV300_OpenJobImpl(CVarnPrn* job, const char* name);
// The job start of the line's families with their own driver object: job
// header, the driver from create, its halftoner; 0, the writer's code or -2.
int JV300_OpenJobWith(CVarnPrn* job, const char* name, std::unique_ptr<JV300_Intern> (*create)(CVarnPrn*));
int JV300_WriteLine(CVarnPrn* job);
// Runs emit on the job's emitter: 0, or -1 without a driver object, and -1
// after reporting a thrown text or spool-file result (or a missing emitter)
// as the job's error message.
int JV300_Emit(CVarnPrn* job, const std::function<void(MRL_IV_QD_ImageData_Emitter&)>& emit);
int JV300_CloseJob(CVarnPrn* job);

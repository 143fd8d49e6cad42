// The TS300P line (models 7071 BMYK and 7072 BMYKbm): sublimation printers
// whose driver object lives for the job and writes every raster line through
// an MRL V raster-data emitter with one layer, "Layer 0", straight to the host.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "drivers/family_driver.h"
#include "drivers/mrl/mrl.h"
#include "drivers/mrl/mrl_segments.h"
#include "drivers/mrl/qd_emitter.h"
#include "services/spool_writer.h"

class CVarnPrn;
struct VdsDotSetDescriptor;

class TS300P_Intern : public FamilyDriver {
public:
    // The host writer on the job's write function; the emitter with its layer.
    explicit TS300P_Intern(const CVarnPrn& job);

    int32_t OpenPage(CVarnPrn* job) override;   // TS300P_OpenPage
    int32_t ClosePage(CVarnPrn* job) override;  // TS300P_ClosePage

    PFN_WRITEPRNDATA_WRAPPER m_HostWriter;
    ColorCodeInkMap m_mapColorCodeNames;
    std::vector<uint32_t> m_vecChannelOrder;
    // Declared last: destroyed first, before the writer its layer writes to.
    std::unique_ptr<MRL_V_QD_ImageData_Emitter> m_pEmitter;
};

// Job start: job header, dot-size check, driver object and halftoner. 0, -1
// without a job, -2 when the dot size is not in the model's table or the
// set-up fails (with "Output/ErrorMessage"), else the host writer's code.
int TS300P_OpenJob(CVarnPrn* job);
// Halftoner set-up: planar error diffusion, one or two bits per pixel by the
// dot size's row.
bool TS300P_InitHalftone(TS300P_Intern* driver, CVarnPrn* job);
// Page header; -1 for a print mode not in the model's table, minus the host
// writer's code when the write fails.
int TS300P_OpenPage(TS300P_Intern* driver, CVarnPrn* job);
int TS300P_ClosePage(TS300P_Intern* driver, CVarnPrn* job);
// Print-line hook: the halftoned line through the emitter; -1 with the
// reason in "Output/ErrorMessage" when it fails.
int TS300P_WriteLine(CVarnPrn* job);
// CloseJob hook: the close-job record, then the driver object is deleted.
int TS300P_CloseJob(CVarnPrn* job);

// The dot set of a job with variable dots: "SB410 WF2 2dots" for the dot
// size "Variable" from 1080 dpi along the feed; otherwise "SB410 WF1 3dots"
// below 720 dpi across the scan, "SB410 WF2 3dots" from 720 dpi on.
const VdsDotSetDescriptor& TS300P_VariableDotSet(const CVarnPrn& job);

// "QP" with 18 parameter bytes: p1, y dpi and x dpi (16 bits), p4 to p14,
// then p15 in 16 bits.
Bytes MRL_QP_TS300P(uint8_t p1, uint16_t yDpi, uint16_t xDpi, uint8_t p4, uint8_t p5, uint8_t p6, uint8_t p7,
                    uint8_t p8, uint8_t p9, uint8_t p10, uint8_t p11, uint8_t p12, uint8_t p13, uint8_t p14,
                    uint16_t p15);

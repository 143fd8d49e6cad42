#include "plugin/job_cycle_dispatch.h"

#include "cutting/cjv30.h"
#include "cutting/cjv300.h"
#include "drivers/jv3.h"
#include "drivers/jv33.h"
#include "drivers/jfx/jfx.h"
#include "drivers/jv300/jv300.h"
#include "drivers/jv34.h"
#include "drivers/jv4.h"
#include "drivers/ts300p.h"
#include "drivers/tx500.h"
#include "drivers/jv400.h"
#include "drivers/jv5.h"
#include "drivers/sublimation_shared.h"
#include "drivers/ujf605.h"
#include "drivers/ujf_x042.h"

namespace {

// One row per family and run of model numbers, in model order. A family
// switches its rows on by naming its OpenJob here.
const PrinterFamilyRow kFamilies[] = {
    {654, 672, "CVarnPrn::OpenJob: Printer Model JV3(%d)", JV3_OpenJob, &JV33_OutputColorModes},
    {673, 676, "CVarnPrn::OpenJob: Printer Model UJF-605(%d)", UJF_OpenJob, &UJF_OutputColorModes},
    {677, 678, "CVarnPrn::OpenJob: Printer Model JV5(%d)", JV5_OpenJob, &JV33_OutputColorModes},
    {681, 682, "CVarnPrn::OpenJob: Printer Model JV5(%d)", JV5_OpenJob, &JV33_OutputColorModes},
    {685, 686, "CVarnPrn::OpenJob: Printer Model JV5(%d)", JV5_OpenJob, &JV33_OutputColorModes},
    {689, 690, "CVarnPrn::OpenJob: Printer Model JV5(%d)", JV5_OpenJob, &JV33_OutputColorModes},
    {691, 696, "CVarnPrn::OpenJob: Printer Model JV33(%d)", JV33_OpenJob, &JV33_OutputColorModes},
    {697, 699, "CVarnPrn::OpenJob: Printer Model JV4(%d)", JV4_OpenJob, &JV4_OutputColorModes},
    {700, 702, "CVarnPrn::OpenJob: Printer Model JV33(%d)", JV33_OpenJob, &JV33_OutputColorModes},
    {703, 717, "CVarnPrn::OpenJob: Printer Model CJV30(%d)", CJV30_OpenJob, &JV33_OutputColorModes},
    {726, 727, "CVarnPrn::OpenJob: Printer Model UJF-605(%d)", UJF_OpenJob, &UJF_OutputColorModes},
    {728, 747, nullptr, JV400_OpenJob, &JV400_OutputColorModes},  // JV400 (no trace line)
    {7000, 7017, "CVarnPrn::OpenJob: Printer Model JV300(%d)", JV300_OpenJob, &JV300_OutputColorModes},
    {7018, 7019, "CVarnPrn::OpenJob: Printer Model CJV300(%d)", CJV300_OpenJob, &JV300_OutputColorModes},
    {7021, 7025, "CVarnPrn::OpenJob: Printer Model CJV300(%d)", CJV300_OpenJob, &JV300_OutputColorModes},
    {7027, 7031, "CVarnPrn::OpenJob: Printer Model CJV300(%d)", CJV300_OpenJob, &JV300_OutputColorModes},
    {7033, 7037, "CVarnPrn::OpenJob: Printer Model CJV300(%d)", CJV300_OpenJob, &JV300_OutputColorModes},
    {7039, 7043, "CVarnPrn::OpenJob: Printer Model CJV300(%d)", CJV300_OpenJob, &JV300_OutputColorModes},
    {7045, 7049, "CVarnPrn::OpenJob: Printer Model CJV300(%d)", CJV300_OpenJob, &JV300_OutputColorModes},
    {7051, 7051, "CVarnPrn::OpenJob: Printer Model CJV300(%d)", CJV300_OpenJob, &JV300_OutputColorModes},
    {7052, 7070, "CVarnPrn::OpenJob: Printer Model UJF-x042(%d)", UJFx042_OpenJob, &UJFx042_OutputColorModes},
    {7071, 7072, "CVarnPrn::OpenJob: Printer Model TS300P(%d)", TS300P_OpenJob, &sublimation::kOutputColorModes},
    {7073, 7074, "CVarnPrn::OpenJob: Printer Model Tx500(%d)", Tx500_OpenJob, &sublimation::kOutputColorModes},
    {7075, 7076, "CVarnPrn::OpenJob: Printer Model TS500(%d)", Tx500_OpenJob, &sublimation::kOutputColorModes},
    {7077, 7080, "CVarnPrn::OpenJob: Printer Model JV34/TS34(%d)", JV34_OpenJob, &JV33_OutputColorModes},
    {7081, 7084, "CVarnPrn::OpenJob: Printer Model JFX200(%d)", JFX200_OpenJob, &JFX_OutputColorModes},
    {7085, 7091, "CVarnPrn::OpenJob: Printer Model JFX500(%d)", JFX500_OpenJob, &JFX_OutputColorModes},
};

PrinterFamilyRow g_TestFamily{0, -1, nullptr, nullptr, nullptr};

bool Serves(const PrinterFamilyRow& row, int32_t model) { return model >= row.firstModel && model <= row.lastModel; }

const PrinterFamilyRow* FindProductionRow(int32_t model) {
    for (const PrinterFamilyRow& row : kFamilies) {
        if (Serves(row, model)) return &row;
    }
    return nullptr;
}

}  // namespace

const PrinterFamilyRow* FindPrinterFamily(int32_t model) {
    if (const PrinterFamilyRow* row = FindProductionRow(model)) return row;
    if (g_TestFamily.openJob && Serves(g_TestFamily, model)) return &g_TestFamily;
    return nullptr;
}

bool SetTestPrinterFamily(int32_t firstModel, int32_t lastModel, const char* traceFormat, JobHook openJob) {
    if (!openJob) {
        g_TestFamily = PrinterFamilyRow{0, -1, nullptr, nullptr, nullptr};
        return true;
    }
    if (firstModel > lastModel) return false;
    for (const PrinterFamilyRow& row : kFamilies) {
        if (firstModel <= row.lastModel && row.firstModel <= lastModel) return false;
    }
    g_TestFamily = PrinterFamilyRow{firstModel, lastModel, traceFormat, openJob, nullptr};
    return true;
}

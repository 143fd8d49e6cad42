#include "plugin/job_cycle_dispatch.h"

#include <algorithm>
#include <map>

#include "catalogue/varn_printer.h"
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

// The output colour modes each catalogued model offers the host, ascending.
// The catalogue builds its models in one pass, carrying one record from model
// to model, so it is built once for the process and only the modes are kept.
const std::map<int32_t, std::vector<int32_t>>& CataloguedColorModes() {
    static const std::map<int32_t, std::vector<int32_t>> modes = [] {
        std::map<int32_t, std::vector<int32_t>> byModel;
        const CVarnPrinter catalogue{CVarnPrinterParams{}};
        for (const auto& [model, record] : catalogue.m_mapPrinterModels) {
            std::vector<int32_t> list;
            for (const COLORMODE& mode : record.listColorModes) list.push_back(static_cast<int32_t>(mode.nValue));
            std::sort(list.begin(), list.end());
            list.erase(std::unique(list.begin(), list.end()), list.end());
            if (!list.empty()) byModel.emplace(model, std::move(list));
        }
        return byModel;
    }();
    return modes;
}

}  // namespace

std::vector<int32_t> OutputColorModesOf(int32_t model) {
    const auto& catalogued = CataloguedColorModes();
    const auto found = catalogued.find(model);
    if (found != catalogued.end()) return found->second;
    const PrinterFamilyRow* family = FindPrinterFamily(model);
    if (!family || !family->outputColorModes) return {};
    std::vector<int32_t> modes = family->outputColorModes->Values();
    std::sort(modes.begin(), modes.end());
    return modes;
}

bool TakesOutputColorMode(int32_t model, int32_t mode) {
    const std::vector<int32_t> modes = OutputColorModesOf(model);
    return modes.empty() || std::find(modes.begin(), modes.end(), mode) != modes.end();
}

std::string ColorModeList(const std::vector<int32_t>& modes) {
    std::string text;
    for (size_t i = 0; i < modes.size(); ++i) text += (i == 0 ? "" : ", ") + std::to_string(modes[i]);
    return text;
}

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

#include "printers/print_modes.h"

#include "printers/model_predicates.h"

// Each table is its row file followed by the zero row that ends it.
constexpr PRINTMODE kEndOfPrintModes = {0, 0, 0, 0, 0, nullptr};
constexpr DOTSIZEMODE kEndOfDotSizes = {nullptr, 0, false};

const PRINTMODE PrintModeTable_TS300P_4C[] = {
#include "printers/tables/print_modes_ts300p_4c.inc"
    kEndOfPrintModes};
const PRINTMODE PrintModeTable_TS300P[] = {
#include "printers/tables/print_modes_ts300p.inc"
    kEndOfPrintModes};
const PRINTMODE PrintModeTable_Tx500_4C[] = {
#include "printers/tables/print_modes_tx500_4c.inc"
    kEndOfPrintModes};
const PRINTMODE PrintModeTable_TS500_4C[] = {
#include "printers/tables/print_modes_ts500_4c.inc"
    kEndOfPrintModes};
const PRINTMODE PrintModeTable_Tx500[] = {
#include "printers/tables/print_modes_tx500.inc"
    kEndOfPrintModes};
const PRINTMODE PrintModeTable_TS500[] = {
#include "printers/tables/print_modes_ts500.inc"
    kEndOfPrintModes};
const PRINTMODE PrintModeTable_UJF6042[] = {
#include "printers/tables/print_modes_ujf6042.inc"
    kEndOfPrintModes};
const PRINTMODE PrintModeTable_UJF3042[] = {
#include "printers/tables/print_modes_ujf3042.inc"
    kEndOfPrintModes};
const PRINTMODE PrintModeTable_JV34_4C[] = {
#include "printers/tables/print_modes_jv34_4c.inc"
    kEndOfPrintModes};
const PRINTMODE PrintModeTable_JV34[] = {
#include "printers/tables/print_modes_jv34.inc"
    kEndOfPrintModes};
const PRINTMODE PrintModeTable_TS34_4C[] = {
#include "printers/tables/print_modes_ts34_4c.inc"
    kEndOfPrintModes};
const PRINTMODE PrintModeTable_TS34[] = {
#include "printers/tables/print_modes_ts34.inc"
    kEndOfPrintModes};
const PRINTMODE PrintModeTable_JFX200[] = {
#include "printers/tables/print_modes_jfx200.inc"
    kEndOfPrintModes};
const PRINTMODE PrintModeTable_JFX200_Spot[] = {
#include "printers/tables/print_modes_jfx200_spot.inc"
    kEndOfPrintModes};
const PRINTMODE PrintModeTable_JFX500[] = {
#include "printers/tables/print_modes_jfx500.inc"
    kEndOfPrintModes};
const PRINTMODE PrintModeTable_JFX500_Spot[] = {
#include "printers/tables/print_modes_jfx500_spot.inc"
    kEndOfPrintModes};
const PRINTMODE PrintModeTable_JV300_4C[] = {
#include "printers/tables/print_modes_jv300_4c.inc"
    kEndOfPrintModes};
const PRINTMODE PrintModeTable_JV300[] = {
#include "printers/tables/print_modes_jv300.inc"
    kEndOfPrintModes};
const PRINTMODE PrintModeTable_CJV300_4C[] = {
#include "printers/tables/print_modes_cjv300_4c.inc"
    kEndOfPrintModes};
const PRINTMODE PrintModeTable_CJV300[] = {
#include "printers/tables/print_modes_cjv300.inc"
    kEndOfPrintModes};

const DOTSIZEMODE DotSizeTable_TS300P[] = {
#include "printers/tables/dot_sizes_ts300p.inc"
    kEndOfDotSizes};
const DOTSIZEMODE DotSizeTable_Tx500[] = {
#include "printers/tables/dot_sizes_tx500.inc"
    kEndOfDotSizes};
const DOTSIZEMODE DotSizeTable_UJFx042[] = {
#include "printers/tables/dot_sizes_ujfx042.inc"
    kEndOfDotSizes};
const DOTSIZEMODE DotSizeTable_JV34[] = {
#include "printers/tables/dot_sizes_jv34.inc"
    kEndOfDotSizes};
const DOTSIZEMODE DotSizeTable_JFX[] = {
#include "printers/tables/dot_sizes_jfx.inc"
    kEndOfDotSizes};
const DOTSIZEMODE DotSizeTable_JFX500[] = {
#include "printers/tables/dot_sizes_jfx500.inc"
    kEndOfDotSizes};

const PRINTMODE* FindPrintMode(const PRINTMODE* table, int32_t printModeId) {
    if (!table) return nullptr;
    for (const PRINTMODE* row = table; row->printModeId != 0; ++row) {
        if (static_cast<int64_t>(row->printModeId) == printModeId) return row;
    }
    return nullptr;
}

const DOTSIZEMODE* FindDotSizeEntry(const DOTSIZEMODE* table, uint32_t dotSizeId) {
    if (!table) return nullptr;
    for (const DOTSIZEMODE* row = table; row->name != nullptr; ++row) {
        if (row->dotSizeId == dotSizeId) return row;
    }
    return nullptr;
}

namespace {
const PRINTMODE* ByColorCount(int32_t model, const PRINTMODE* fourColor, const PRINTMODE* other) {
    return IsFourColorModel(model) ? fourColor : other;
}
}  // namespace

const PRINTMODE* PrintModeTableForModel(int32_t model) {
    if (model >= 7000 && model <= 7017) return ByColorCount(model, PrintModeTable_JV300_4C, PrintModeTable_JV300);
    if (model >= 7018 && model <= 7051) return ByColorCount(model, PrintModeTable_CJV300_4C, PrintModeTable_CJV300);
    if (model >= 7052 && model <= 7070) return PrintModeTable_UJF6042;
    if (model == 7071 || model == 7072) return ByColorCount(model, PrintModeTable_TS300P_4C, PrintModeTable_TS300P);
    if (model >= 7073 && model <= 7076) return ByColorCount(model, PrintModeTable_Tx500_4C, PrintModeTable_Tx500);
    if (model == 7077 || model == 7078) return ByColorCount(model, PrintModeTable_JV34_4C, PrintModeTable_JV34);
    if (model == 7079 || model == 7080) return ByColorCount(model, PrintModeTable_TS34_4C, PrintModeTable_TS34);
    if (model == 7081) return PrintModeTable_JFX200;
    if (model >= 7082 && model <= 7084) return PrintModeTable_JFX200_Spot;
    if (model == 7085) return PrintModeTable_JFX500;
    if (model >= 7086 && model <= 7091) return PrintModeTable_JFX500_Spot;
    return nullptr;
}

const DOTSIZEMODE* DotSizeTableForModel(int32_t model) {
    if (model >= 7052 && model <= 7070) return DotSizeTable_UJFx042;
    if (model == 7071 || model == 7072) return DotSizeTable_TS300P;
    if (model >= 7073 && model <= 7076) return DotSizeTable_Tx500;
    if (model >= 7077 && model <= 7080) return DotSizeTable_JV34;
    if (model >= 7081 && model <= 7084) return DotSizeTable_JFX;
    if (model >= 7085 && model <= 7091) return DotSizeTable_JFX500;
    return nullptr;
}

const std::array<NamedPrintModeTable, 20>& AllPrintModeTables() {
    static const std::array<NamedPrintModeTable, 20> tables = {{
        {"PrintModeTable_TS300P_4C", PrintModeTable_TS300P_4C},
        {"PrintModeTable_TS300P", PrintModeTable_TS300P},
        {"PrintModeTable_Tx500_4C", PrintModeTable_Tx500_4C},
        {"PrintModeTable_TS500_4C", PrintModeTable_TS500_4C},
        {"PrintModeTable_Tx500", PrintModeTable_Tx500},
        {"PrintModeTable_TS500", PrintModeTable_TS500},
        {"PrintModeTable_UJF6042", PrintModeTable_UJF6042},
        {"PrintModeTable_UJF3042", PrintModeTable_UJF3042},
        {"PrintModeTable_JV34_4C", PrintModeTable_JV34_4C},
        {"PrintModeTable_JV34", PrintModeTable_JV34},
        {"PrintModeTable_TS34_4C", PrintModeTable_TS34_4C},
        {"PrintModeTable_TS34", PrintModeTable_TS34},
        {"PrintModeTable_JFX200", PrintModeTable_JFX200},
        {"PrintModeTable_JFX200_Spot", PrintModeTable_JFX200_Spot},
        {"PrintModeTable_JFX500", PrintModeTable_JFX500},
        {"PrintModeTable_JFX500_Spot", PrintModeTable_JFX500_Spot},
        {"PrintModeTable_JV300_4C", PrintModeTable_JV300_4C},
        {"PrintModeTable_JV300", PrintModeTable_JV300},
        {"PrintModeTable_CJV300_4C", PrintModeTable_CJV300_4C},
        {"PrintModeTable_CJV300", PrintModeTable_CJV300},
    }};
    return tables;
}

const std::array<NamedDotSizeTable, 6>& AllDotSizeTables() {
    static const std::array<NamedDotSizeTable, 6> tables = {{
        {"DotSizeTable_TS300P", DotSizeTable_TS300P},
        {"DotSizeTable_Tx500", DotSizeTable_Tx500},
        {"DotSizeTable_UJFx042", DotSizeTable_UJFx042},
        {"DotSizeTable_JV34", DotSizeTable_JV34},
        {"DotSizeTable_JFX", DotSizeTable_JFX},
        {"DotSizeTable_JFX500", DotSizeTable_JFX500},
    }};
    return tables;
}

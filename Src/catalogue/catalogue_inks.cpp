// The ink-type catalogue.
#include "catalogue/varn_printer.h"

namespace {

struct INKCATEGORY {
    const char* pszText;
    int32_t nCode;
};

// The category texts as the host shows them, German words and the trailing
// blank of the sublimation inks included.
constexpr INKCATEGORY kNoCategory = {"", -1};
constexpr INKCATEGORY kNone = {"keine", -1};
constexpr INKCATEGORY kDye = {"Dye", 1};
constexpr INKCATEGORY kPigment = {"Pigmentiert", 2};
constexpr INKCATEGORY kToner = {"Toner", 2};
constexpr INKCATEGORY kSolvent = {"Solvent", 3};
constexpr INKCATEGORY kUV = {"UV", 4};
constexpr INKCATEGORY kUserDefined = {"user defined", 5};
constexpr INKCATEGORY kGel = {"Gel", 6};
constexpr INKCATEGORY kLatex = {"Latex", 7};
constexpr INKCATEGORY kDyeSublimation = {"Dye Sublimation ", 8};
constexpr INKCATEGORY kSolventUV = {"Solvent UV", 9};
constexpr INKCATEGORY kCeramic = {"Ceramic", 10};

struct INKTYPEROW {
    int32_t nID;
    INKCATEGORY category;
    const char* pszName;
};

constexpr INKTYPEROW kInkTypes[] = {
#include "catalogue/tables/ink_types.inc"
};

}  // namespace

void CVarnPrinter::InitInkTypes() {
    for (const INKTYPEROW& row : kInkTypes) {
        INKTYPE& ink = m_mapInkTypes[row.nID];
        ink.strName = row.pszName;
        ink.nID = row.nID;
        ink.strCategory = row.category.pszText;
        ink.nCategory = row.category.nCode;
    }
}

INKTYPE& CVarnPrinter::GetInkType(int32_t id) { return m_mapInkTypes[id]; }

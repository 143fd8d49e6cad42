// The media-size catalogue.
#include <iterator>

#include "base/rounding.h"
#include "catalogue/varn_printer.h"

namespace {

struct MEDIASIZEROW {
    uint32_t nID;
    int32_t nWidth;  // 1/100 mm
    uint8_t bEditWidth;
    int32_t nLength;  // 1/100 mm
    uint8_t bEditHeight;
    uint32_t nFormType;
    uint8_t bSizeLimit;
    const char* pszName;
};

constexpr MEDIASIZEROW kMediaSizes[] = {
#include "catalogue/tables/media_sizes.inc"
};
constexpr MEDIASIZEROW kLateMediaSizes[] = {
#include "catalogue/tables/media_sizes_late.inc"
};

constexpr uint32_t kMediaListVersion = 4;

// One size bears its maker's name, except under that maker's own OEM id.
constexpr uint32_t kMakerNamedSize = 248;
constexpr uint32_t kMakerOEM = 10;
constexpr const char* kMakerOwnName = "13 x 22 inch";

// The media sizes some OEM ids are restricted to, as runs of ids.
struct IDRUN {
    int32_t nFirst;
    int32_t nLast;
};
constexpr uint32_t kRestrictedOEM6 = 6;
constexpr IDRUN kOEM6MediaIds[] = {{341, 381}, {1001, 1001}, {382, 382},   {1002, 1004},
                                   {383, 385}, {1005, 1010}, {386, 395}};
constexpr uint32_t kRestrictedOEM28 = 28;
constexpr IDRUN kOEM28MediaIds[] = {{2100, 2103}, {2105, 2111}, {2126, 2126}, {2112, 2121},
                                    {2127, 2127}, {2122, 2123}, {2224, 2224}, {2125, 2125}};

}  // namespace

void CVarnPrinter::AddMediaSize(uint32_t id, std::string name, double width, uint8_t editWidth, double length,
                                uint8_t editHeight, uint32_t formType, uint8_t sizeLimit) {
    MEDIASIZE& size = m_mapMediaSizes[static_cast<int32_t>(id)];
    if (size.nID == id) return;
    size.nID = id;
    size.strName = std::move(name);
    size.nWidth = RoundToInt32(width);
    size.nLength = RoundToInt32(length);
    size.bEditWidth = editWidth;
    size.bEditHeight = editHeight;
    size.nFormType = formType;
    size.bSizeLimit = sizeLimit;
}

void CVarnPrinter::InitMediaSizes() {
    auto add = [this](const MEDIASIZEROW& row) {
        const char* name = row.pszName;
        if (row.nID == kMakerNamedSize && m_nOEMID == kMakerOEM) name = kMakerOwnName;
        AddMediaSize(row.nID, name, row.nWidth, row.bEditWidth, row.nLength, row.bEditHeight, row.nFormType,
                     row.bSizeLimit);
    };
    auto restrictTo = [this](const IDRUN* begin, const IDRUN* end) {
        m_bOEMMediaRestricted = true;
        for (const IDRUN* run = begin; run != end; ++run) {
            for (int32_t id = run->nFirst; id <= run->nLast; ++id) m_setOEMMediaIDs.insert(id);
        }
    };

    m_nMediaListVersion = kMediaListVersion;
    for (const MEDIASIZEROW& row : kMediaSizes) add(row);
    if (m_nOEMID == kRestrictedOEM6) restrictTo(std::begin(kOEM6MediaIds), std::end(kOEM6MediaIds));
    if (m_nOEMID == kRestrictedOEM28) restrictTo(std::begin(kOEM28MediaIds), std::end(kOEM28MediaIds));
    for (const MEDIASIZEROW& row : kLateMediaSizes) add(row);
}

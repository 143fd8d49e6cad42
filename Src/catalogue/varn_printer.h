// The printer catalogue: every printer model the plug-in describes, the
// models offered to the host with their OEM ids, the media sizes, the ink
// types and the groups of compatible printers. Built from code on each
// printer-information request and deleted at its end.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <list>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/format.h"
#include "base/log_interface.h"
#include "catalogue/catalogue_records.h"
#include "host/host_records.h"

// OEM id that stands for every OEM.
constexpr uint32_t kEveryOEM = 0xFFFFFFFFu;

// One entry of the offer list.
struct PRINTERLISTITEM {
    std::vector<uint32_t> vecOEMIDs;  // copied from the model when the entry is made
    uint32_t nPrnID = 0;
};

struct CVarnPrinterParams {
    uint32_t nOEMID = 0;
    Ticket* pTicket = nullptr;
    bool bHighResDevice = false;
    std::string strPluginFolder;
    std::string strTempFolder;
    clLogFullInterface* pLogger = nullptr;  // may be null
};

class CVarnPrinter {
public:
    // Copies the parameters, then builds the model table, the offer list, the
    // media sizes, the ink types and the compatible groups, in this order.
    explicit CVarnPrinter(const CVarnPrinterParams& params);
    // A catalogue with every table empty (for tests that put models in).
    struct EmptyTag {};
    CVarnPrinter(const CVarnPrinterParams& params, EmptyTag);
    virtual ~CVarnPrinter() = default;
    CVarnPrinter(const CVarnPrinter&) = delete;
    CVarnPrinter& operator=(const CVarnPrinter&) = delete;

    bool IsPrinterInitDone() const { return !m_mapPrinterModels.empty(); }
    bool IsListInitDone() const { return !m_listPrinters.empty(); }

    // Through the logger's LogV; nothing without a logger.
    void Log(int32_t level, const char* format, ...) KELMORA_PRINTF(3, 4);

    // The model's record; a number not yet catalogued gets a fresh record
    // (after PRINTERMODEL::Reset), inserted under it.
    PRINTERMODEL& GetModel(int32_t printerModel);

    // Appends the numbers of the offered models that carry the OEM id (every
    // offered model for kEveryOEM); the vector's element count afterwards.
    int32_t GetPrinterIdList(std::vector<uint32_t>& ids, uint32_t oemId) const;
    // 1 and the first group that holds the number, else 0 (out untouched).
    int32_t GetCompatiblePrinters(int32_t printerModel, std::list<int32_t>& out) const;
    // Adds a media size unless its id has one already (the first definition
    // wins; an id 0 never takes effect). Width and length in 1/100 mm, rounded
    // half away from zero.
    void AddMediaSize(uint32_t id, std::string name, double width, uint8_t editWidth, double length,
                      uint8_t editHeight, uint32_t formType, uint8_t sizeLimit);
    // The ink type of the id; a missing id gets an empty record, inserted.
    INKTYPE& GetInkType(int32_t id);

    std::vector<std::string> m_vecInkNames;
    std::vector<uint32_t> m_vecInkIDs;
    std::map<int32_t, PRINTERMODEL> m_mapPrinterModels;
    std::list<PRINTERLISTITEM> m_listPrinters;
    std::map<int32_t, MEDIASIZE> m_mapMediaSizes;
    bool m_bOEMMediaRestricted = false;
    std::set<int32_t> m_setOEMMediaIDs;
    uint32_t m_nMediaListVersion = 0;
    std::map<int32_t, INKTYPE> m_mapInkTypes;
    std::list<std::list<int32_t>> m_listCompatiblePrinters;
    uint32_t m_nOEMID;
    bool m_bHighResDevice;
    Ticket* m_pTicket;
    std::string m_strPluginFolder;
    std::string m_strTempFolder;
    clLogFullInterface* m_pLogger;

private:
    void InitPrinterModels();       // catalogue_models.cpp
    void InitPrinterList();         // catalogue_offers.cpp
    void InitMediaSizes();          // catalogue_media_sizes.cpp
    void InitInkTypes();            // catalogue_inks.cpp
    void InitCompatiblePrinters();  // catalogue_compatible.cpp

    // One offer-list entry: the OEM ids go to the model's record, then a copy
    // of its ids and the number to the end of the offer list.
    void AddPrinterToList(uint32_t printerModel, std::initializer_list<uint32_t> oemIds);
};

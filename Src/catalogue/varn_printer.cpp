// The printer catalogue object: construction order, model lookup, logging.
#include "catalogue/varn_printer.h"

#include <cstdarg>

CVarnPrinter::CVarnPrinter(const CVarnPrinterParams& params, EmptyTag)
    : m_nOEMID(params.nOEMID),
      m_bHighResDevice(params.bHighResDevice),
      m_pTicket(params.pTicket),
      m_strPluginFolder(params.strPluginFolder),
      m_strTempFolder(params.strTempFolder),
      m_pLogger(params.pLogger) {}

CVarnPrinter::CVarnPrinter(const CVarnPrinterParams& params) : CVarnPrinter(params, EmptyTag{}) {
    InitPrinterModels();
    InitPrinterList();
    InitMediaSizes();
    InitInkTypes();
    InitCompatiblePrinters();
}

void CVarnPrinter::Log(int32_t level, const char* format, ...) {
    if (!m_pLogger) return;
    va_list args;
    va_start(args, format);
    m_pLogger->LogV(level, format, args);
    va_end(args);
}

PRINTERMODEL& CVarnPrinter::GetModel(int32_t printerModel) {
    auto found = m_mapPrinterModels.find(printerModel);
    if (found != m_mapPrinterModels.end()) return found->second;
    return m_mapPrinterModels.emplace(printerModel, PRINTERMODEL()).first->second;
}

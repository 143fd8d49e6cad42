#include "halftone/debug_image.h"

bool DebugImageLibrary::Load(std::string& error) {
    Unload();
    if (!m_Module.Load(kDbgOutModuleName)) {
        error = m_Module.Error();
        return false;
    }
    const auto get = m_Module.Function<GetDbgInterfaceFn>(kDbgInterfaceEntry);
    const DbgInterface* table = get ? get() : nullptr;
    if (!table || !table->OpenImage || !table->WriteLine || !table->CloseImage) {
        error = get ? "GetDbgInterface returned no complete table" : m_Module.Error();
        m_Module.Unload();
        return false;
    }
    m_pInterface = table;
    return true;
}

void DebugImageLibrary::Unload() {
    m_pInterface = nullptr;
    m_Module.Unload();
}

DbgImageHandle DebugImageLibrary::Open(const DbgImageInfo& info) const {
    return m_pInterface ? m_pInterface->OpenImage(&info) : nullptr;
}

void DebugImageLibrary::Write(DbgImageHandle image, const uint8_t* line) const {
    if (m_pInterface && image && line) m_pInterface->WriteLine(image, line);
}

void DebugImageLibrary::Close(DbgImageHandle image) const {
    if (m_pInterface && image) m_pInterface->CloseImage(image);
}

uint32_t DbgContoneColorCode(int32_t inputMode, int32_t spots) {
    const auto spotCode = [](int32_t n) -> uint32_t {
        return n >= 1 && n <= 8 ? DBG_COLOR_SPOT_BASE + static_cast<uint32_t>(n) : DBG_COLOR_CMYK;
    };
    switch (inputMode) {
        case 4: return spotCode(spots);
        case 6: return spots != 0 ? spotCode(spots + 2) : DBG_COLOR_CMYKOG;
        default: return 0;
    }
}

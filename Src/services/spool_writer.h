// Tagged output records: the tags, the result codes of every record sink and
// their texts, the sink interface, the host-writer sink and the result objects
// that emitters throw.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "base/format.h"

// Output tags: the top four bits of a record's 32-bit tag word.
constexpr uint32_t SPLTAG_DATA = 0x20000000;
constexpr uint32_t SPLTAG_JOB_HEADER = 0x30000000;
constexpr uint32_t SPLTAG_OPEN_JOB = 0x40000000;
constexpr uint32_t SPLTAG_CLOSE_JOB = 0x50000000;
constexpr uint32_t SPLTAG_PAGE_HEADER = 0x60000000;
constexpr uint32_t SPLTAG_PAGE_END = 0x70000000;
constexpr uint32_t SPLTAG_PAGE_LINK = 0x90000000;
constexpr uint32_t SPLTAG_EOF = 0xF0000000;
// The print-tag records of the print-and-cut lines: an empty marker and a copy
// of the page set-up at page open, the contour-cut data and the cut job (its
// frame, then the same data) at page end.
constexpr uint32_t SPLTAG_CUT_PAGE_OPEN = 0xd0000010;
constexpr uint32_t SPLTAG_CUT_PAGE_SETUP = 0xd0000011;
constexpr uint32_t SPLTAG_CUT_DATA = 0xd0000012;
constexpr uint32_t SPLTAG_CUT_JOB = 0xd0000013;

enum eSPOOLFILE2 : uint32_t {
    eSPOOLFILE2_OK = 0,
    eSPOOLFILE2_END_OK = 1,
    eSPOOLFILE2_CANCELLED = 2,
    eSPOOLFILE2_IO_FAILED = 3,
    eSPOOLFILE2_FAILED = 4,
    eSPOOLFILE2_ILLEGAL_ARGUMENT = 5,
    eSPOOLFILE2_ILLEGAL_TAG = 6,
    eSPOOLFILE2_ILLEGAL_MODE = 7,
    eSPOOLFILE2_ILLEGAL_SIZE = 8,
    eSPOOLFILE2_ILLEGAL_SIGNATURE = 9,
    eSPOOLFILE2_ILLEGAL_BYTEORDER = 10,
    eSPOOLFILE2_ILLEGAL_VERSION = 11,
    eSPOOLFILE2_ILLEGAL_MAGIC = 12,
    eSPOOLFILE2_ILLEGAL_TAG_ARGUMENT = 13,
    eSPOOLFILE2_DUPLICATE_PAGE_NUMBER = 14,
    eSPOOLFILE2_UNEXPECTED_TAG = 15,
    eSPOOLFILE2_UNEXPECTED_EOF = 16,
    eSPOOLFILE2_SYNTAX_ERROR = 17,
    eSPOOLFILE2_ILLEGAL_FILE_TYPE = 18,
    eSPOOLFILE2_EMPTY = 19,
    eSPOOLFILE2_ILLEGAL_METHOD_CALL = 20,
    eSPOOLFILE2_UNKNOWN = 64,
};

// "Spool file OK" and its siblings; "Spool file Unknown" for a code without a text.
const char* SpoolFileResultText(uint32_t code);

// A sink of tagged records.
class ISPOOL_FILE_WRITER {
public:
    virtual uint32_t Write(uint32_t tag, const uint8_t* data, uint64_t size) = 0;
    virtual ~ISPOOL_FILE_WRITER() = default;
};

// The host's write callback.
typedef int (*PFN_WRITEPRNDATA)(void* writePrnContext, uint32_t tag, const uint8_t* data, uint32_t size);

// Hands records to the host's write callback. The host's result r comes back
// as a code: 0 to 63 as they are, 64 for anything else (negative results
// included); 4 when the callback or its context is missing; 8 for a record
// longer than the callback can take.
class PFN_WRITEPRNDATA_WRAPPER : public ISPOOL_FILE_WRITER {
public:
    PFN_WRITEPRNDATA_WRAPPER() = default;
    PFN_WRITEPRNDATA_WRAPPER(PFN_WRITEPRNDATA write, void* context) : m_pfnWrite(write), m_pContext(context) {}
    void Set(PFN_WRITEPRNDATA write, void* context) {
        m_pfnWrite = write;
        m_pContext = context;
    }
    uint32_t Write(uint32_t tag, const uint8_t* data, uint64_t size) override;

private:
    PFN_WRITEPRNDATA m_pfnWrite = nullptr;
    void* m_pContext = nullptr;
};

// The code and text of a spool or output result. Emitters and layer set-up
// throw these by value; catch them as const clSpoolFileResult&.
class clSpoolFileResult {
public:
    virtual ~clSpoolFileResult() = default;
    virtual uint32_t GetCode() const = 0;
    virtual const char* GetText() const = 0;
};

class clSpoolFileResultImp : public clSpoolFileResult {
public:
    clSpoolFileResultImp(uint32_t code, std::string text) : m_code(code), m_text(std::move(text)) {}
    uint32_t GetCode() const override { return m_code; }
    const char* GetText() const override { return m_text.c_str(); }

private:
    uint32_t m_code;
    std::string m_text;
};

// An operating-system failure: code 3.
class clSpoolFileResultErrno : public clSpoolFileResultImp {
public:
    explicit clSpoolFileResultErrno(std::string text) : clSpoolFileResultImp(eSPOOLFILE2_IO_FAILED, std::move(text)) {}
};

// Text: the formatted text, ": " and the code's text.
clSpoolFileResultImp CreateSpoolFileResult(uint32_t code, const char* format, ...) KELMORA_PRINTF(2, 3);
// Text: the formatted text, ": " and the system's text for the error number
// (without trailing line ends; "Unknown IO error" when there is none).
clSpoolFileResultErrno CreateSpoolFileResultErrno(int errorNumber, const char* format, ...) KELMORA_PRINTF(2, 3);
// The system's text for an error number as CreateSpoolFileResultErrno puts it.
std::string SystemErrorText(int errorNumber);

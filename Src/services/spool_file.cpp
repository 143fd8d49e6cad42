#include "services/spool_file.h"

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

#include "base/format.h"
#include "base/mbcs.h"
#include "platform/system.h"

namespace {

constexpr uint8_t kMark[4] = {'r', 'o', 'v', 'o'};
constexpr uint32_t kTagMask = 0xF0000000;
constexpr uint32_t kLengthMask = 0x03FFFFFF;
constexpr uint32_t kReservedBits = 0x0C000000;
constexpr uint32_t kRefusedTag = 0xD0000000;
constexpr int kOwnNameTries = 1000;

// The last number an own spool file took in this process.
std::atomic<uint64_t> g_spoolNumber{0};
std::atomic<std::function<void(const std::string&)>*> g_spoolNameHook{nullptr};

void PutU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t GetU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

struct PayloadEntry {
    int64_t position;
    uint64_t length;
};

struct RecordView {
    const uint8_t* data = nullptr;
    uint64_t length = 0;
    int64_t position = 0;
    uint32_t tag = 0;
};

uint32_t ReadRecord(SPOOL_FILE_TEMP& file, RecordView* r) {
    return file.ReadNext(&r->data, &r->length, &r->position, &r->tag);
}

}  // namespace

clSpoolFileResultImp CreateSpoolFileResultFor(const std::string& reason, uint32_t code, const char* format, ...) {
    std::string text;
    va_list args;
    va_start(args, format);
    FormatStringV(text, format, args);
    va_end(args);
    text += ": ";
    text += SpoolFileResultText(code);
    if (!reason.empty()) text += " (" + reason + ")";
    return clSpoolFileResultImp(code, std::move(text));
}

uint32_t SPOOL_FILE_TEMP::Create(std::unique_ptr<SPOOL_FILE_TEMP>* out, const char* path, bool deleteOnClose) {
    if (!out || *out || !path) return eSPOOLFILE2_ILLEGAL_ARGUMENT;
    auto file = std::unique_ptr<SPOOL_FILE_TEMP_IMP>(new (std::nothrow) SPOOL_FILE_TEMP_IMP(path, deleteOnClose));
    if (!file) return eSPOOLFILE2_IO_FAILED;
    const uint32_t code = file->Open();
    *out = std::move(file);
    return code;
}

uint32_t SPOOL_FILE_TEMP::CreateOwn(std::unique_ptr<SPOOL_FILE_TEMP>* out, const std::string& prefix,
                                    const std::string& suffix, bool deleteOnClose, uint64_t* number,
                                    std::string* path) {
    if (!out || *out || !number || !path) return eSPOOLFILE2_ILLEGAL_ARGUMENT;
    for (int tries = 0;; ++tries) {
        if (*number == 0 || tries > 0) *number = g_spoolNumber.fetch_add(1) + 1;
        *path = OwnName(prefix, *number, suffix);
        if (auto* hook = g_spoolNameHook.load()) (*hook)(*path);
        auto file = std::unique_ptr<SPOOL_FILE_TEMP_IMP>(new (std::nothrow)
                                                             SPOOL_FILE_TEMP_IMP(*path, deleteOnClose, true));
        if (!file) return eSPOOLFILE2_IO_FAILED;
        const uint32_t code = file->Open();
        // Names are taken only by files the counter cannot know of (another
        // process of the same id, a file left behind), so a free one comes
        // soon; the tries are bounded all the same.
        if (code == eSPOOLFILE2_OK || !file->NameTaken() || tries + 1 >= kOwnNameTries) {
            *out = std::move(file);
            return code;
        }
    }
}

void SetSpoolNameHookForTests(std::function<void(const std::string&)>* hook) { g_spoolNameHook.store(hook); }

std::string SPOOL_FILE_TEMP::OwnName(const std::string& prefix, uint64_t number, const std::string& suffix) {
    return prefix + StringF("%lu_%llu", static_cast<unsigned long>(platform::CurrentProcessId()),
                            static_cast<unsigned long long>(number)) +
           suffix;
}

uint32_t SPOOL_FILE_TEMP::Destroy(std::unique_ptr<SPOOL_FILE_TEMP>* p) {
    if (!p) return eSPOOLFILE2_ILLEGAL_ARGUMENT;
    if (!*p) return eSPOOLFILE2_END_OK;
    p->reset();
    return eSPOOLFILE2_OK;
}

SPOOL_FILE_TEMP_IMP::SPOOL_FILE_TEMP_IMP(std::string path, bool deleteOnClose, bool exclusive)
    : m_strPath(std::move(path)), m_bDeleteOnClose(deleteOnClose), m_bExclusive(exclusive) {}

SPOOL_FILE_TEMP_IMP::~SPOOL_FILE_TEMP_IMP() {
    const bool remove = m_bWriteFailed && !m_bDeleteOnClose && m_File.IsOpen();
    m_File.Close();
    if (remove) std::remove(SystemPath().c_str());
}

std::string SPOOL_FILE_TEMP_IMP::SystemPath() const {
    std::string path = m_strPath;
    if (platform::kPathSeparator != '/') ReplaceCharMbcs(path, '/', platform::kPathSeparator);
    return path;
}

void SPOOL_FILE_TEMP_IMP::NoteFailure(const char* step, int error) {
    if (m_pFailedStep) return;
    m_pFailedStep = step;
    m_iFailedError = error;
}

std::string SPOOL_FILE_TEMP_IMP::FailureReason() const {
    if (!m_pFailedStep) return std::string();
    return StringF("cannot %s \"%s\": %s", m_pFailedStep, EscapeControlBytes(m_strPath).c_str(),
                   SystemErrorText(m_iFailedError).c_str());
}

bool SPOOL_FILE_TEMP_IMP::WriteAll(const void* data, size_t n) {
    errno = 0;
    if (m_File.Write(data, n) == n) return true;
    NoteFailure("write", errno);
    m_bWriteFailed = true;
    return false;
}

uint32_t SPOOL_FILE_TEMP_IMP::Open() {
    if (const int error = m_File.Create(SystemPath(), m_bDeleteOnClose, kStreamBuffer, m_bExclusive); error != 0) {
        NoteFailure("create", error);
        return eSPOOLFILE2_IO_FAILED;
    }
    m_uState = kWriting;
    uint8_t header[kHeaderSize] = {'D', 'E', 'Z', 'A', 'V', 'E', 'D', 0};
    PutU32(header + 8, 0x01020304);
    PutU32(header + 12, 2);
    PutU32(header + 16, 1);
    return WriteAll(header, sizeof header) ? eSPOOLFILE2_OK : eSPOOLFILE2_IO_FAILED;
}

bool SPOOL_FILE_TEMP_IMP::NameTaken() const {
    return m_bExclusive && !m_File.IsOpen() && m_pFailedStep && std::strcmp(m_pFailedStep, "create") == 0 &&
           m_iFailedError == EEXIST;
}

uint32_t SPOOL_FILE_TEMP_IMP::Write(uint32_t tag, const uint8_t* data, uint64_t size) {
    if (size > 0 && !data) return eSPOOLFILE2_ILLEGAL_ARGUMENT;
    if (size > kMaxRecordSize) return eSPOOLFILE2_ILLEGAL_SIZE;
    if (tag & kLengthMask) return eSPOOLFILE2_ILLEGAL_TAG;
    if (m_uState == kReading) return eSPOOLFILE2_ILLEGAL_METHOD_CALL;
    return WriteRecord(tag, data, size);
}

uint32_t SPOOL_FILE_TEMP_IMP::WriteRecord(uint32_t tag, const uint8_t* data, uint64_t size) {
    if (!m_File.IsOpen()) return eSPOOLFILE2_IO_FAILED;
    uint8_t head[8];
    std::memcpy(head, kMark, 4);
    PutU32(head + 4, (tag & ~kReservedBits) | static_cast<uint32_t>(size));
    if (!WriteAll(head, sizeof head)) return eSPOOLFILE2_IO_FAILED;
    if (size > 0 && !WriteAll(data, static_cast<size_t>(size))) return eSPOOLFILE2_IO_FAILED;
    return eSPOOLFILE2_OK;
}

uint32_t SPOOL_FILE_TEMP_IMP::Rewind() {
    if (!m_File.IsOpen()) return eSPOOLFILE2_IO_FAILED;
    if (m_uState == kWriting) {
        const uint32_t code = WriteRecord(SPLTAG_EOF, nullptr, 0);
        if (code != eSPOOLFILE2_OK) return code;
    }
    errno = 0;
    if (!m_File.Flush()) {
        NoteFailure("write", errno);
        m_bWriteFailed = true;
        return eSPOOLFILE2_IO_FAILED;
    }
    errno = 0;
    if (!m_File.Seek(0)) {
        NoteFailure("read back", errno);
        return eSPOOLFILE2_IO_FAILED;
    }
    m_iPosition = 0;
    m_uState = kReading;
    uint8_t header[kHeaderSize];
    return ReadExactly(header, sizeof header);
}

uint32_t SPOOL_FILE_TEMP_IMP::ReadExactly(void* data, size_t n) {
    if (n == 0) return eSPOOLFILE2_OK;
    const size_t got = m_File.Read(data, n);
    m_iPosition += static_cast<int64_t>(got);
    if (got == n) return eSPOOLFILE2_OK;
    if (const int error = m_File.ReadError(); error != 0) {
        NoteFailure("read", error);
        return eSPOOLFILE2_IO_FAILED;
    }
    return eSPOOLFILE2_UNEXPECTED_EOF;
}

uint32_t SPOOL_FILE_TEMP_IMP::ReadPayload(uint64_t n) {
    if (n > m_ReadBuffer.size()) {
        try {
            m_ReadBuffer.resize(static_cast<size_t>(n));
        } catch (const std::bad_alloc&) {
            return eSPOOLFILE2_IO_FAILED;
        }
    }
    return ReadExactly(m_ReadBuffer.data(), static_cast<size_t>(n));
}

uint32_t SPOOL_FILE_TEMP_IMP::ReadNext(const uint8_t** data, uint64_t* length, int64_t* position, uint32_t* tag) {
    if (!data || !length || !position || !tag) return eSPOOLFILE2_ILLEGAL_ARGUMENT;
    if (m_uState != kReading || !m_File.IsOpen()) return eSPOOLFILE2_ILLEGAL_METHOD_CALL;
    uint8_t head[8];
    if (const uint32_t code = ReadExactly(head, sizeof head); code != eSPOOLFILE2_OK) return code;
    if (std::memcmp(head, kMark, 4) != 0) return eSPOOLFILE2_ILLEGAL_MAGIC;
    const uint32_t header = GetU32(head + 4);
    const uint32_t recordTag = header & kTagMask;
    if (recordTag == kRefusedTag) return eSPOOLFILE2_ILLEGAL_TAG;
    const uint64_t recordLength = recordTag == SPLTAG_EOF ? 0 : (header & kLengthMask);
    const uint32_t code = ReadPayload(recordLength);
    if (code != eSPOOLFILE2_OK) return code;
    *data = m_ReadBuffer.data();
    *length = recordLength;
    *position = m_iPosition;
    *tag = recordTag;
    return recordTag == SPLTAG_EOF ? eSPOOLFILE2_END_OK : eSPOOLFILE2_OK;
}

uint32_t SPOOL_FILE_TEMP_IMP::Playback(ISPOOL_FILE_WRITER* consumer) {
    if (!consumer) return eSPOOLFILE2_ILLEGAL_ARGUMENT;
    uint32_t code = Rewind();
    if (code != eSPOOLFILE2_OK) return code;
    for (;;) {
        RecordView r;
        code = ReadRecord(*this, &r);
        if (code == eSPOOLFILE2_END_OK) return eSPOOLFILE2_OK;
        if (code != eSPOOLFILE2_OK) return code;
        code = consumer->Write(r.tag, r.data, r.length);
        if (code != eSPOOLFILE2_OK) return code;
    }
}

uint32_t SPOOL_FILE_TEMP_IMP::PlaybackReverse(ISPOOL_FILE_WRITER* consumer) {
    if (!consumer) return eSPOOLFILE2_ILLEGAL_ARGUMENT;
    uint32_t code = Rewind();
    if (code != eSPOOLFILE2_OK) return code;

    // First pass: where each payload starts, and how long it is.
    std::vector<PayloadEntry> records;
    for (;;) {
        RecordView r;
        code = ReadRecord(*this, &r);
        if (code == eSPOOLFILE2_END_OK) break;
        if (code != eSPOOLFILE2_OK) return code;
        if (r.tag != SPLTAG_DATA) {
            Rewind();
            return eSPOOLFILE2_IO_FAILED;
        }
        try {
            records.push_back(PayloadEntry{r.position - static_cast<int64_t>(r.length), r.length});
        } catch (const std::bad_alloc&) {
            return eSPOOLFILE2_IO_FAILED;
        }
    }

    code = Rewind();
    if (code != eSPOOLFILE2_OK) return code;
    for (auto it = records.rbegin(); it != records.rend(); ++it) {
        if (!m_File.Seek(it->position)) return eSPOOLFILE2_IO_FAILED;
        m_iPosition = it->position;
        code = ReadPayload(it->length);
        if (code != eSPOOLFILE2_OK) return code;
        code = consumer->Write(SPLTAG_DATA, m_ReadBuffer.data(), it->length);
        if (code != eSPOOLFILE2_OK) return code;
    }
    return code;
}

// Layer spool files: temporary files that hold a layer's records until the
// page end plays them into the host writer, forwards or in reverse order.
//
// File format (little-endian): "DEZAVED\0", byte-order mark 0x01020304,
// version 2, record-mark flag 1, 12 zero bytes; then records of the mark
// "rovo", a header word (tag in the top four bits, payload length in the low
// 26 bits) and the payload. The last record is SPLTAG_EOF with no payload.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/temp_file.h"
#include "services/spool_writer.h"

class SPOOL_FILE_TEMP : public ISPOOL_FILE_WRITER {
public:
    // Creates the object into *out and opens the file at path (replacing any
    // file there); *out holds the object even when the open failed. 5 unless
    // out is given and empty and a path is given; else the open's code.
    static uint32_t Create(std::unique_ptr<SPOOL_FILE_TEMP>* out, const char* path, bool deleteOnClose);
    // 5 for a null p, 1 when *p is already empty, else destroys the object (0).
    static uint32_t Destroy(std::unique_ptr<SPOOL_FILE_TEMP>* p);
    // Creates a spool file that is this job's alone, at OwnName(prefix,
    // *number, suffix) and exclusively: a file that is there already is never
    // opened and stays as it is. When *number is 0, or its name is taken, the
    // numbers come from a counter of the process until a name is free. *number
    // and *path get the number and name of the file (of the last name tried
    // when none could be created); otherwise as Create.
    static uint32_t CreateOwn(std::unique_ptr<SPOOL_FILE_TEMP>* out, const std::string& prefix,
                              const std::string& suffix, bool deleteOnClose, uint64_t* number, std::string* path);
    // prefix + "<process id>_<number>" + suffix.
    static std::string OwnName(const std::string& prefix, uint64_t number, const std::string& suffix);

    // Plays every record before the end record into the consumer, in file order.
    virtual uint32_t Playback(ISPOOL_FILE_WRITER* consumer) = 0;
    // Plays the data records into the consumer, last first; any other record fails with 3.
    virtual uint32_t PlaybackReverse(ISPOOL_FILE_WRITER* consumer) = 0;
    // Ends writing (adding the end record once) and positions at the first record.
    virtual uint32_t Rewind() = 0;
    // The next record: 0, 1 for the end record, or an error code. *data stays
    // valid until the next read; *position is the file position after the payload.
    virtual uint32_t ReadNext(const uint8_t** data, uint64_t* length, int64_t* position, uint32_t* tag) = 0;
    // Why the file's first input or output failed, for a message: the step,
    // the file and the system's reason, as `cannot write "/tmp/a.tmp": No
    // space left on device`; empty while nothing failed.
    virtual std::string FailureReason() const = 0;
};

// For tests only: CreateOwn calls *hook with each name just before it tries
// it (null: no longer); the hook may put a file there, as another process
// could.
void SetSpoolNameHookForTests(std::function<void(const std::string&)>* hook);

// CreateSpoolFileResult's text, followed by a spool file's FailureReason in
// parentheses when there is one: "JFX_ClosePage: Spool file IO failed
// (cannot write "/tmp/a.tmp": No space left on device)".
clSpoolFileResultImp CreateSpoolFileResultFor(const std::string& reason, uint32_t code, const char* format, ...)
    KELMORA_PRINTF(3, 4);
// A spool file's FailureReason; empty also when there is no file.
inline std::string SpoolFailureReason(const SPOOL_FILE_TEMP* file) {
    return file ? file->FailureReason() : std::string();
}
// The FailureReason of the first of the files that failed, else empty.
template <typename Range, typename FileOf>
std::string FirstSpoolFailure(const Range& items, FileOf fileOf) {
    for (const auto& item : items) {
        std::string reason = SpoolFailureReason(fileOf(item));
        if (!reason.empty()) return reason;
    }
    return std::string();
}

class SPOOL_FILE_TEMP_IMP : public SPOOL_FILE_TEMP {
public:
    // An exclusive file is created only where no file is.
    SPOOL_FILE_TEMP_IMP(std::string path, bool deleteOnClose, bool exclusive = false);
    // A file kept after closing is removed all the same when a write to it
    // failed: what it holds is cut short, and a full disk stays full.
    ~SPOOL_FILE_TEMP_IMP() override;

    // Records are refused once the file is being read (20).
    uint32_t Write(uint32_t tag, const uint8_t* data, uint64_t size) override;
    uint32_t Playback(ISPOOL_FILE_WRITER* consumer) override;
    uint32_t PlaybackReverse(ISPOOL_FILE_WRITER* consumer) override;
    uint32_t Rewind() override;
    uint32_t ReadNext(const uint8_t** data, uint64_t* length, int64_t* position, uint32_t* tag) override;
    std::string FailureReason() const override;

    uint32_t Open();
    // The exclusive creation met a file at the path.
    bool NameTaken() const;

    static constexpr uint64_t kMaxRecordSize = 0x3FFFFFF;
    static constexpr size_t kHeaderSize = 32;
    static constexpr size_t kStreamBuffer = 32768;

private:
    enum State : uint32_t { kCreated = 0, kWriting = 1, kReading = 2 };

    uint32_t WriteRecord(uint32_t tag, const uint8_t* data, uint64_t size);
    // Writes all n bytes or notes the failure: true when all were written.
    bool WriteAll(const void* data, size_t n);
    // The path in the system's spelling.
    std::string SystemPath() const;
    // Reads n bytes at the file position: 0, 16 when the file ends before
    // them, or 3 when the read fails (noted as the failure).
    uint32_t ReadExactly(void* data, size_t n);
    // Reads n bytes of payload into the read buffer: 0, 3 or 16.
    uint32_t ReadPayload(uint64_t n);
    // Keeps the first failure: the step and the system's error number.
    void NoteFailure(const char* step, int error);

    std::string m_strPath;
    bool m_bDeleteOnClose;
    bool m_bExclusive;
    uint32_t m_uState = kCreated;
    bool m_bWriteFailed = false;
    const char* m_pFailedStep = nullptr;  // "create", "write", ...: the first failure
    int m_iFailedError = 0;
    platform::TempFile m_File;
    int64_t m_iPosition = 0;
    std::vector<uint8_t> m_ReadBuffer;
};

// The platform-neutral part of the file services: the replacement's codes,
// its names, and replacing a file's contents in one call.
#include "platform/files.h"

#include <cerrno>
#include <mutex>
#include <utility>

#include "platform/dynamic_library.h"
#include "platform/files_internal.h"
#include "platform/system.h"

namespace platform {

namespace {
std::mutex g_hookLock;
std::function<void(const std::string&)> g_beforeReplace;
}  // namespace

void SetTestBeforeReplace(std::function<void(const std::string& path)> hook) {
    std::lock_guard<std::mutex> hold(g_hookLock);
    g_beforeReplace = std::move(hook);
}

void RunTestBeforeReplace(const std::string& path) {
    std::function<void(const std::string&)> hook;
    {
        std::lock_guard<std::mutex> hold(g_hookLock);
        hook = g_beforeReplace;
    }
    if (hook) hook(path);
}

std::string NameBeside(const std::string& target, int attempt, bool shortName, const char* suffix) {
    const std::string tail = std::to_string(CurrentProcessId()) + "-" + std::to_string(attempt) + suffix;
    return shortName ? FolderOfPath(target) + "." + tail : target + "." + tail;
}

std::string ReplaceErrorText(int code) {
    switch (code) {
        case kReplaceChanged: return "it changed while it was being replaced";
        case kReplaceOtherOwner: return "it belongs to another user or group, which a new file could not keep";
        case kReplaceHardLinks: return "it has more than one name (hard links), which a new file would split";
        case kReplaceAttributes: return "it has an ACL or extended attributes, which a new file would lose";
        case kReplaceNotRegular: return "it is not a regular file";
        default: break;
    }
    return ErrorText(code);
}

FileReplacement::~FileReplacement() {
    Discard();
    DropBackup();
}

int FileReplacement::Finish() {
    if (!m_stream) return EBADF;
    int error = SyncFile(m_stream);
    errno = 0;
    if (std::fclose(m_stream) != 0 && error == 0) error = errno ? errno : EIO;
    m_stream = nullptr;
    if (error != 0) Discard();
    return error;
}

int FileReplacement::ReadyToPublish(const FileIdentity* expected) {
    if (m_temp.empty() || m_stream) return EBADF;
    RunTestBeforeReplace(m_path);
    if (expected && IdentityOfPath(m_path) != *expected) {
        Discard();
        return kReplaceChanged;
    }
    return 0;
}

void FileReplacement::DropBackup() {
    if (!m_backup.empty()) std::remove(m_backup.c_str());
    m_backup.clear();
    m_published = false;
}

void FileReplacement::Discard() {
    if (m_stream) std::fclose(m_stream);
    m_stream = nullptr;
    if (!m_temp.empty()) std::remove(m_temp.c_str());
    m_temp.clear();
}

int ReplaceFileContents(const std::string& path, const void* data, size_t size, const FileIdentity* expected) {
    FileReplacement replacement;
    int error = replacement.Begin(path);
    if (error != 0) return error;
    if (size > 0) {
        const size_t granted = GrantTestWrite(size);
        errno = 0;
        if (std::fwrite(data, 1, granted, replacement.Stream()) != granted) error = errno ? errno : EIO;
        if (error == 0 && granted < size) error = ENOSPC;
    }
    if (error != 0) {
        replacement.Discard();
        return error;
    }
    error = replacement.Finish();
    return error != 0 ? error : replacement.Publish(expected);
}

}  // namespace platform

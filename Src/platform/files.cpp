// The platform-neutral part of the file services: the replacement's codes,
// its names, and replacing a file's contents in one call.
#include "platform/files.h"

#include <atomic>
#include <cerrno>
#include <exception>
#include <filesystem>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

#include "platform/dynamic_library.h"
#include "platform/files_internal.h"
#include "platform/system.h"

namespace platform {

namespace {
std::mutex g_hookLock;
std::function<void(const std::string&)> g_beforeReplace;
TestReplaceTrace* g_trace = nullptr;
std::atomic<bool> g_noHardLinks{false};
std::atomic<bool> g_noRenameNoReplace{false};
std::atomic<int> g_lockError{0};
std::atomic<TestReplaceCall> g_replaceCall{nullptr};

// The names this process's replacements hold (see HoldName); a name tried
// by two replacements at once is on it twice.
std::mutex g_heldLock;
std::multiset<std::string>& HeldNames() {
    static std::multiset<std::string> names;
    return names;
}

// The digits at text[at...] up to end as a number; false for none or too many.
bool ReadNumber(const std::string& text, size_t at, size_t end, uint64_t* number) {
    if (at >= end || end - at > 10) return false;
    *number = 0;
    for (size_t i = at; i < end; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        *number = *number * 10 + static_cast<uint64_t>(text[i] - '0');
    }
    return true;
}

// What begins the names this program makes beside a file (a word no user puts
// there), and what follows it in a name that a lock marks.
constexpr char kMarker[] = "kelmora-";
constexpr char kLockMarker[] = "lock-";

// What the end of a name of NameBeside's form tells.
struct NameTail {
    uint32_t process = 0;
    uint64_t attempt = 0;
    bool marked = false;
    bool backup = false;
};

// Reads "kelmora-[lock-]<pid>-<n>.tmp" (or ".old") from text[at] to its end.
bool ReadTail(const std::string& text, size_t at, NameTail* tail) {
    const size_t size = text.size();
    if (at + sizeof kMarker + 4 > size || text.compare(at, sizeof kMarker - 1, kMarker) != 0) return false;
    const size_t end = size - 4;
    tail->backup = text.compare(end, 4, ".old") == 0;
    if (!tail->backup && text.compare(end, 4, ".tmp") != 0) return false;
    at += sizeof kMarker - 1;
    tail->marked = text.compare(at, sizeof kLockMarker - 1, kLockMarker) == 0;
    if (tail->marked) at += sizeof kLockMarker - 1;
    const size_t dash = text.find('-', at);
    uint64_t pid = 0;
    if (dash == std::string::npos || dash >= end || !ReadNumber(text, at, dash, &pid) ||
        !ReadNumber(text, dash + 1, end, &tail->attempt) || pid > UINT32_MAX || tail->attempt >= kNameAttempts) {
        return false;
    }
    tail->process = static_cast<uint32_t>(pid);
    return true;
}

// Whether name (a file name, no folder) has the form of a file that NameBeside
// makes beside a target named targetName ("<target>.<tail>" or ".<tail>"):
// true with *tail what its end tells.
bool IsNameBeside(const std::string& name, const std::string& targetName, NameTail* tail) {
    size_t at = 0;
    if (name.size() > targetName.size() + 1 && name.compare(0, targetName.size(), targetName) == 0 &&
        name[targetName.size()] == '.') {
        at = targetName.size() + 1;
    } else if (!name.empty() && name[0] == '.') {
        at = 1;
    } else {
        return false;
    }
    return ReadTail(name, at, tail);
}
}  // namespace

void SetTestReplaceTrace(TestReplaceTrace* trace) {
    std::lock_guard<std::mutex> hold(g_hookLock);
    g_trace = trace;
}

void NoteTestSync(bool folder) {
    std::lock_guard<std::mutex> hold(g_hookLock);
    if (g_trace) ++(folder ? g_trace->folderSyncs : g_trace->temporarySyncs);
}

void NoteTestCreatedMode(unsigned mode) {
    std::lock_guard<std::mutex> hold(g_hookLock);
    if (g_trace) g_trace->createdMode = mode;
}

void SetTestNoHardLinks(bool none) { g_noHardLinks = none; }
bool TestNoHardLinks() { return g_noHardLinks; }
void SetTestNoRenameNoReplace(bool none) { g_noRenameNoReplace = none; }
bool TestNoRenameNoReplace() { return g_noRenameNoReplace; }
void SetTestLockError(int error) { g_lockError = error; }
int TestLockError() { return g_lockError; }

bool MarkOfName(const std::string& path, uint64_t* mark) {
    // "...kelmora-lock-<pid>-<n>.old" (or ".tmp"): two bytes a try, one for each.
    const size_t at = path.rfind(std::string(".") + kMarker);
    NameTail tail;
    if (at == std::string::npos || !ReadTail(path, at + 1, &tail) || !tail.marked) return false;
    *mark = (uint64_t{tail.process} * kNameAttempts + tail.attempt) * 2 + (tail.backup ? 1 : 0);
    return true;
}

void HoldName(const std::string& name) {
    std::lock_guard<std::mutex> hold(g_heldLock);
    HeldNames().insert(name);
}

void ReleaseName(std::string& name) {
    if (name.empty()) return;
    {
        std::lock_guard<std::mutex> hold(g_heldLock);
        const auto it = HeldNames().find(name);
        if (it != HeldNames().end()) HeldNames().erase(it);
    }
    name.clear();
}

bool NameHeld(const std::string& name) {
    // The same name in the same folder, however each spells the folder (a
    // link in it, another separator): the folder itself tells.
    const std::string folder = FolderOfPath(name);
    const std::string base = name.substr(folder.size());
    std::vector<std::string> folders;  // of held names of that base
    {
        std::lock_guard<std::mutex> hold(g_heldLock);
        for (const std::string& held : HeldNames()) {
            if (held == name) return true;
            const size_t at = FolderOfPath(held).size();
            if (held.compare(at, std::string::npos, base) == 0) folders.push_back(held.substr(0, at));
        }
    }
    const FileIdentity here = IdentityOfPath(folder.empty() ? "." : folder);
    for (const std::string& other : folders) {
        const FileIdentity there = IdentityOfPath(other.empty() ? "." : other);
        if (here.exists && there.exists && here.device == there.device && here.inode == there.inode) return true;
    }
    return false;
}

bool MakerMayRun(const std::string& name, uint32_t process) {
    return process == CurrentProcessId() ? NameHeld(name) : ProcessRunning(process);
}
void SetTestReplaceCall(TestReplaceCall call) { g_replaceCall = call; }
TestReplaceCall TestReplaceCallSet() { return g_replaceCall; }

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

std::string NameBeside(const std::string& target, int attempt, bool shortName, NameKind kind) {
    const std::string tail = std::string(kMarker) + (kind.marked ? kLockMarker : "") +
                             std::to_string(CurrentProcessId()) + "-" + std::to_string(attempt) + kind.suffix;
    return shortName ? FolderOfPath(target) + "." + tail : target + "." + tail;
}

std::string ReplaceErrorText(int code) {
    switch (code) {
        case kReplaceChanged: return "it changed while it was being replaced";
        case kReplaceOtherOwner: return "it belongs to another user or group, which a new file could not keep";
        case kReplaceHardLinks: return "it has more than one name (hard links), which a new file would split";
        case kReplaceAttributes: return "it has an ACL or extended attributes, which a new file would lose";
        case kReplaceNotRegular: return "it is not a regular file";
        case kReplaceBusy: return "another run is writing it";
        case kReplaceAttributeValues:
            return "it has an ACL or extended attributes that a new file would have with other values";
        case kReplaceHeldOpen: return "another program holds it open";
        case kReplaceSavedOver: return "another file was saved under its name meanwhile, and stays";
        default: break;
    }
    return ErrorText(code);
}

std::string ReplaceErrorText(int code, const std::string& name, const ReplaceFailure& failure,
                             std::string (*named)(const std::string&)) {
    const std::string& leftover = failure.blocking.path;
    std::string text = code == kReplaceBusy && !leftover.empty()
                           ? named(leftover) + " is a second name of it that process " +
                                 std::to_string(failure.blocking.process) +
                                 " may still be writing; if no run is under way, remove " + named(leftover)
                           : ReplaceErrorText(code);
    if (!failure.kept.empty()) {
        text += "; the old " + named(name) + " is kept as " + named(failure.kept);
    } else if (failure.lost) {
        text += "; the old " + named(name) + " could not be kept";
    }
    return text;
}

ReplaceFailure FileReplacement::Failure() const {
    ReplaceFailure failure;
    failure.blocking = m_blocking;
    if (m_backupHoldsOld) {
        // Named only while the name still leads to this run's backup as it
        // was left: one removed or replaced meanwhile holds no old bytes of
        // this run's.
        if (m_backupFile.exists && IdentityOfName(m_backup) == m_backupFile) {
            failure.kept = m_backup;
        } else {
            failure.lost = true;
        }
    }
    return failure;
}

FileReplacement::~FileReplacement() {
    Discard();
    DropBackup();
    // A backup kept stays, and is no longer held: a kept file for whoever looks.
    ReleaseName(m_backup);
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
    int refused = CheckStillReplaceable();
    if (refused == 0 && expected && IdentityOfPath(m_path) != *expected) refused = kReplaceChanged;
    if (refused != 0) Discard();
    return refused;
}

int FileReplacement::RemoveLeftovers(intptr_t file) {
    if (!m_seen.exists) return 0;
    const std::string folder = FolderOfPath(m_target);
    const std::string targetName = m_target.substr(folder.size());
    bool busy = false;
    m_blocking = RemovedLeftover();
    try {
        std::error_code failed;
        // A folder that cannot be listed has none that could be told apart.
        std::filesystem::directory_iterator it(std::filesystem::path(folder.empty() ? "." : folder), failed);
        if (failed) return 0;
        for (; it != std::filesystem::directory_iterator(); it.increment(failed)) {
            const std::string name = it->path().filename().string();
            NameTail tail;
            if (!IsNameBeside(name, targetName, &tail)) continue;
            const std::string path = folder + name;
            if (path == m_backup || path == m_temp) continue;  // this run's own
            // Only another name of the very file: any other file is someone's.
            const FileIdentity there = IdentityOfName(path);
            if (!there.exists || there.device != m_seen.device || there.inode != m_seen.inode) continue;
            // A marked name's lock tells, where it can be told; else (and for
            // a name its maker could not mark) the id.
            const int held = tail.marked && file >= 0 ? NameMarked(file, path) : -1;
            if (held > 0 || (held < 0 && MakerMayRun(path, tail.process))) {
                if (!busy) m_blocking = {path, tail.process};
                busy = true;
            } else if (std::remove(path.c_str()) == 0) {
                m_removed.push_back({path, tail.process});
            }
        }
    } catch (const std::exception&) {  // a name the system cannot give, or no memory: no more removed
    }
    return busy ? kReplaceBusy : 0;
}

std::vector<RemovedLeftover> KeptByEndedRuns(const std::string& path) {
    std::vector<RemovedLeftover> kept;
    const std::string folder = FolderOfPath(path);
    const std::string targetName = path.substr(folder.size());
    try {
        std::error_code failed;
        std::filesystem::directory_iterator it(std::filesystem::path(folder.empty() ? "." : folder), failed);
        if (failed) return kept;
        for (; it != std::filesystem::directory_iterator(); it.increment(failed)) {
            const std::string name = it->path().filename().string();
            NameTail tail;
            // The long names of backups only: a short one could be any file's.
            if (name.compare(0, targetName.size(), targetName) != 0 || !IsNameBeside(name, targetName, &tail) ||
                !tail.backup) {
                continue;
            }
            const FileIdentity there = IdentityOfName(folder + name);
            std::error_code notFile;
            if (there.exists && there.size > 0 && std::filesystem::is_regular_file(it->symlink_status(notFile)) &&
                !MakerMayRun(folder + name, tail.process)) {
                kept.push_back({folder + name, tail.process});
            }
        }
    } catch (const std::exception&) {  // a name the system cannot give, or no memory: those found
    }
    return kept;
}

void FileReplacement::DropBackup() {
    // The only copy of the old file stays, and its name with it.
    if (!m_backupHoldsOld) {
        if (!m_backup.empty()) std::remove(m_backup.c_str());
        ReleaseName(m_backup);
    }
    m_backupLinked = false;
    m_keepBackup = false;
    m_published = false;
}

void FileReplacement::Discard() {
    if (m_stream) std::fclose(m_stream);
    m_stream = nullptr;
    CloseFiles();
    if (!m_temp.empty()) std::remove(m_temp.c_str());
    ReleaseName(m_temp);
}

namespace {
int Replace(FileReplacement& replacement, const std::string& path, const void* data, size_t size,
            const FileIdentity* expected) {
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
}  // namespace

int ReplaceFileContents(const std::string& path, const void* data, size_t size, const FileIdentity* expected,
                        std::vector<RemovedLeftover>* removed, ReplaceFailure* failure) {
    FileReplacement replacement;
    const int error = Replace(replacement, path, data, size, expected);
    const std::vector<RemovedLeftover>& gone = replacement.RemovedLeftovers();
    if (removed) removed->insert(removed->end(), gone.begin(), gone.end());
    if (failure) *failure = replacement.Failure();
    return error;
}

}  // namespace platform

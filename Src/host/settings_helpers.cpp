#include "host/settings_helpers.h"

#include <initializer_list>

#include "base/mbcs.h"
#include "host/job_ticket.h"
#include "host/ticket.h"

namespace {

constexpr const char* kPrinterModelKey = "Output/Prn/Printer/Model";

bool IsOneOf(int32_t value, std::initializer_list<int32_t> set) {
    for (int32_t member : set) {
        if (value == member) return true;
    }
    return false;
}

}  // namespace

void GetSystemFolderPath(std::string& out, const Ticket* ticket, const char* key) {
    GetTicketString(ticket, out, TICKET_SCOPE_SYSTEM, 0, key, std::string());
    ReplaceCharMbcs(out, '\\', '/');
    const int last = LastCharPosMbcs(out);
    if (last >= 0 && out[static_cast<size_t>(last)] == '/') out.erase(static_cast<size_t>(last));
}

bool SetTicketIntAt(const Ticket* ticket, uint32_t scope, uint32_t id, const char* key, int32_t value,
                    int32_t index) {
    if (!ticket || !ticket->SetValue || !key) return false;
    return ticket->SetValue(ticket->HostContext, scope, id, key, TICKET_TYPE_INT32, &value, index) != 0;
}

bool UsesScreeningFile(int32_t halftoneMode, int32_t printerModel) {
    if (halftoneMode == 6) return true;
    if (halftoneMode != 7) return false;
    return IsOneOf(printerModel, {572, 573, 2500, 2501, 2502, 2503, 2505}) ||
           (printerModel >= 576 && printerModel <= 608) || (printerModel >= 3001 && printerModel <= 3005);
}

std::array<std::string, 2> ScreeningFolders(const std::string& eplPath, const std::string& sptFolder,
                                            const std::string& installFolder) {
    std::string screening = ForwardSlashes(sptFolder.empty() ? installFolder + "/Profiles/Screening" : sptFolder);
    if (screening.empty() || screening.back() != '/') screening += '/';
    return {FolderOf(ForwardSlashes(eplPath), true), screening};
}

bool IsSpecialInputSubType(const Ticket* ticket, uint32_t jobId) {
    constexpr int32_t kAbsent = INT32_MIN;
    const int32_t subType = GetTicketInt(ticket, TICKET_SCOPE_JOB, jobId, "Input/SubType", kAbsent);
    if (!IsOneOf(subType, {82, 83, 87, 88})) return false;
    const int32_t model = GetTicketInt(ticket, TICKET_SCOPE_JOB, jobId, kPrinterModelKey, 0);
    return !IsOneOf(model, {9020, 9021, 9022, 9031});
}

bool IsModel3001Group(const Ticket* ticket, uint32_t jobId) {
    const int32_t model = GetTicketInt(ticket, TICKET_SCOPE_JOB, jobId, kPrinterModelKey, 0);
    return IsOneOf(model, {3001, 3002, 3004, 3006});
}

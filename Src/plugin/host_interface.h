// The plug-in's face towards the host: the exported GetInterface, the table of
// host functions it hands out, and those functions (PrnBase).
//
// The host reads the table by position: 31 function-pointer slots, of which
// slots 0 to 10 are filled in the order below and slots 11 to 30 stay null.
// Every function returns 0 for success; nothing thrown leaves any of them.
#pragma once

#include <cstdint>

#include "host/host_records.h"
#include "services/spool_writer.h"

class PLUGINCONTEXT;
struct JobContext;

#if defined(_WIN32)
#define KELMORA_EXPORT __declspec(dllexport)
#else
#define KELMORA_EXPORT __attribute__((visibility("default")))
#endif

typedef int32_t (*PFN_PRN_GETVERSION)(uint32_t* major, uint32_t* minor);
typedef const char* (*PFN_PRN_GETNAME)();
typedef int32_t (*PFN_PRN_CREATECONTEXT)(PLUGINCONTEXT** out, const char* text);
typedef int32_t (*PFN_PRN_TERMINATE)(PLUGINCONTEXT** context);
typedef int32_t (*PFN_PRN_GETPRINTERINFO)(PLUGINCONTEXT* context, Ticket* ticket, uint32_t id);
typedef int32_t (*PFN_PRN_OPENJOB)(PLUGINCONTEXT* context, Ticket* ticket, uint32_t jobId, JobContext** out,
                                   PFN_WRITEPRNDATA write, void* writeContext);
typedef int32_t (*PFN_PRN_OPENPAGE)(PLUGINCONTEXT* context, const void* pageInfo, void* reserved, JobContext* job);
typedef int32_t (*PFN_PRN_WRITELINE)(PLUGINCONTEXT* context, JobContext* job, const uint8_t* line);
// CloseJob, ClosePage and Abort.
typedef int32_t (*PFN_PRN_JOBCALL)(PLUGINCONTEXT* context, JobContext* job);
typedef void (*PFN_PRN_UNUSED)();

constexpr int kPrnInterfaceSlots = 31;
constexpr uint32_t kPrnInterfaceRequest = 0x80000000u;  // bit 31 of GetInterface's argument

struct PrnInterface {
    PFN_PRN_GETVERSION GetVersion;          // 0
    PFN_PRN_GETNAME GetName;                // 1
    PFN_PRN_CREATECONTEXT CreateContext;    // 2
    PFN_PRN_TERMINATE Terminate;            // 3
    PFN_PRN_GETPRINTERINFO GetPrinterInfo;  // 4
    PFN_PRN_OPENJOB OpenJob;                // 5
    PFN_PRN_JOBCALL CloseJob;               // 6
    PFN_PRN_OPENPAGE OpenPage;              // 7
    PFN_PRN_WRITELINE WriteLine;            // 8
    PFN_PRN_JOBCALL ClosePage;              // 9
    PFN_PRN_JOBCALL Abort;                  // 10
    PFN_PRN_UNUSED Unused[kPrnInterfaceSlots - 11];
};
static_assert(sizeof(PrnInterface) == kPrnInterfaceSlots * sizeof(void*), "the host reads 31 slots");

// The table when bit 31 of version is set (and the library is attached),
// else null. The library's only export.
extern "C" KELMORA_EXPORT PrnInterface* GetInterface(uint32_t version);

namespace PrnBase {

int32_t GetVersion(uint32_t* major, uint32_t* minor);
const char* GetName();
int32_t CreateContext(PLUGINCONTEXT** out, const char* text);
int32_t Terminate(PLUGINCONTEXT** context);
int32_t GetPrinterInfo(PLUGINCONTEXT* context, Ticket* ticket, uint32_t id);
int32_t OpenJob(PLUGINCONTEXT* context, Ticket* ticket, uint32_t jobId, JobContext** out, PFN_WRITEPRNDATA write,
                void* writeContext);
int32_t CloseJob(PLUGINCONTEXT* context, JobContext* job);
int32_t OpenPage(PLUGINCONTEXT* context, const void* pageInfo, void* reserved, JobContext* job);
int32_t WriteLine(PLUGINCONTEXT* context, JobContext* job, const uint8_t* line);
int32_t ClosePage(PLUGINCONTEXT* context, JobContext* job);
int32_t Abort(PLUGINCONTEXT* context, JobContext* job);

}  // namespace PrnBase

// Whether a line's progress p is reported, given the last reported percent
// and the clock (milliseconds) now and at the last report: p must rise, and
// then five whole seconds have passed, or p is 5 or more above the last
// report, a multiple of 5, or 1.
bool ProgressReportDue(int32_t percent, int32_t lastPercent, int32_t nowMs, int32_t lastMs);

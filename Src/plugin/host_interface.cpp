// The host functions, the interface table and the library's module state.
#include "plugin/host_interface.h"

#include <cstring>
#include <memory>
#include <new>

#include "catalogue/prn_info_xml.h"
#include "platform/library_entry.h"
#include "platform/resources.h"
#include "platform/system.h"
#include "host/job_ticket.h"
#include "plugin/plugin_context.h"
#include "host/ticket.h"
#include "job/varn_prn.h"

namespace {

// One table per process, built at the first attach and freed when the last
// build is counted down.
struct ModuleState {
    void* handle = nullptr;
    PrnInterface* table = nullptr;
    int builds = 0;
};
ModuleState g_Module;

constexpr const char* kProgressMessageKey = "Output/Progress/Message";
constexpr const char* kProgressPercentKey = "Output/Progress/Percent";

// The processor clock in milliseconds, as a 32-bit count that may wrap.
int32_t ClockMs() { return static_cast<int32_t>(static_cast<uint32_t>(platform::TickCountMs())); }

void SetProgressPercent(const JobContext& job, int32_t percent) {
    const Ticket* ticket = job.ticket;
    if (ticket && ticket->SetValue) {
        ticket->SetValue(ticket->HostContext, TICKET_SCOPE_JOB, job.jobId, kProgressPercentKey, TICKET_TYPE_INT32,
                         &percent, TICKET_INDEX_SCALAR);
    }
}

}  // namespace

void PluginProcessAttach(void* moduleHandle) {
    g_Module.handle = moduleHandle;
    ++g_Module.builds;
    if (g_Module.table) return;
    g_Module.table = new (std::nothrow) PrnInterface{};
    if (!g_Module.table) return;
    PrnInterface& t = *g_Module.table;
    t.GetVersion = &PrnBase::GetVersion;
    t.GetName = &PrnBase::GetName;
    t.CreateContext = &PrnBase::CreateContext;
    t.Terminate = &PrnBase::Terminate;
    t.GetPrinterInfo = &PrnBase::GetPrinterInfo;
    t.OpenJob = &PrnBase::OpenJob;
    t.CloseJob = &PrnBase::CloseJob;
    t.OpenPage = &PrnBase::OpenPage;
    t.WriteLine = &PrnBase::WriteLine;
    t.ClosePage = &PrnBase::ClosePage;
    t.Abort = &PrnBase::Abort;
}

void PluginProcessDetach() {
    if (g_Module.builds > 0) --g_Module.builds;
    if (g_Module.builds == 0) {
        delete g_Module.table;
        g_Module.table = nullptr;
    }
}

extern "C" PrnInterface* GetInterface(uint32_t version) {
    return (version & kPrnInterfaceRequest) ? g_Module.table : nullptr;
}

bool ProgressReportDue(int32_t percent, int32_t lastPercent, int32_t nowMs, int32_t lastMs) {
    if (percent <= lastPercent) return false;
    const uint32_t elapsedMs = static_cast<uint32_t>(nowMs) - static_cast<uint32_t>(lastMs);
    return elapsedMs / 1000 >= 5 || percent - lastPercent >= 5 || percent % 5 == 0 || percent == 1;
}

namespace PrnBase {

int32_t GetVersion(uint32_t* major, uint32_t* minor) {
    if (!major || !minor) return -1;
    *major = 1;
    *minor = 0;
    return 0;
}

namespace {

struct DisplayName {
    char text[128] = {};
    DisplayName() {
        try {
            const std::string loaded = platform::LoadStringResource(KELMORA_IDS_DISPLAY_NAME);
            const size_t n = loaded.size() < sizeof text - 1 ? loaded.size() : sizeof text - 1;
            std::memcpy(text, loaded.data(), n);
        } catch (...) {
            // The name stays empty.
        }
    }
};

}  // namespace

const char* GetName() {
    // Filled once, by the first call; host threads asking at once only read it.
    static const DisplayName name;
    return name.text;
}

int32_t CreateContext(PLUGINCONTEXT** out, const char* /*text*/) {
    if (!out) return -1;
    *out = new (std::nothrow) PLUGINCONTEXT;
    return *out ? 0 : -99;
}

int32_t Terminate(PLUGINCONTEXT** context) {
    try {
        if (!context || !*context) return 0;
        (*context)->Log(LOG_DETAIL, "PrnBase::Terminate");
        delete *context;
        return 0;
    } catch (...) {
        return -99;
    }
}

int32_t GetPrinterInfo(PLUGINCONTEXT* context, Ticket* ticket, uint32_t id) {
    if (!context || !ticket) return -1;
    try {
        const int32_t oemId = GetTicketInt(ticket, TICKET_SCOPE_SYSTEM, 0, "System/OEMID", 0);
        context->InitLogger(ticket, false);
        return GetPrnInfoXML(ticket, id, static_cast<uint32_t>(oemId), context);
    } catch (...) {
        return -99;
    }
}

int32_t OpenJob(PLUGINCONTEXT* context, Ticket* ticket, uint32_t jobId, JobContext** out, PFN_WRITEPRNDATA write,
                void* writeContext) {
    if (!context) return -1;
    try {
        context->InitLogger(ticket, true);
        if (!ticket) {
            context->Log(LOG_ERROR, "OpenJob: invalid pointer to Ticket");
            return -2;
        }
        if (!out) {
            context->Log(LOG_ERROR, "OpenJob: invalid pointer to JobContext");
            return -3;
        }
        // A later CloseJob of the host finds nothing when this call ends early.
        *out = nullptr;
        if (!write) {
            context->Log(LOG_ERROR, "OpenJob: invalid pointer to pfnWritePrnData");
            return -4;
        }
        if (!writeContext) {
            context->Log(LOG_ERROR, "OpenJob: invalid pointer to WritePrnContext");
            return -5;
        }
        auto jobContext = std::make_unique<JobContext>();
        jobContext->ticket = ticket;
        jobContext->jobId = jobId;
        // The settings reader may throw (a head height the printer cannot
        // take): both objects are then released here.
        std::unique_ptr<CVarnPrn> job = CVarnPrn::Create(ticket, jobId, &context->Logger());
        job->m_iPrintProcessCounter =
            static_cast<uint32_t>(GetTicketInt(ticket, TICKET_SCOPE_JOB, jobId, "System/PrintProcessCounter", 0));
        CVarnPrn* jobPointer = job.release();
        jobContext->job = jobPointer;
        *out = jobContext.release();

        const int r = jobPointer->OpenJob(write, writeContext);
        if (r != 0) {
            SetTicketStringValue(ticket, TICKET_SCOPE_JOB, jobId, kProgressMessageKey, "OutputPlugIn: OpenJob failed",
                                 TICKET_INDEX_SCALAR);
            context->Log(LOG_ERROR, "PrnBase::OpenJob: failed");
            return r;  // the JobContext stays with the host until CloseJob
        }
        SetTicketStringValue(ticket, TICKET_SCOPE_JOB, jobId, kProgressMessageKey, "Creating print data",
                             TICKET_INDEX_SCALAR);
        jobPointer->m_bJobOpen = 1;
        context->Log(LOG_INFO, "PrnBase::OpenJob: success");
        return 0;
    } catch (...) {
        context->Log(LOG_ERROR, "PrnBase::OpenJob: exception");
        return -99;
    }
}

int32_t CloseJob(PLUGINCONTEXT* context, JobContext* jobContext) {
    if (!context) return -1;
    if (!jobContext) return -2;
    // The host hands the job over for good: it is released whatever happens.
    std::unique_ptr<JobContext> ownedContext(jobContext);
    std::unique_ptr<CVarnPrn> job(jobContext->job);
    jobContext->job = nullptr;
    try {
        context->Log(LOG_DETAIL, "PrnBase::CloseJob: start");
        int r = 0;
        if (job) {
            if (job->m_bAborted) {
                context->Log(LOG_DETAIL, "PrnBase::CloseJob: called after abort");
                if (job->m_bPageOpen) {
                    context->Log(LOG_DETAIL, "PrnBase::CloseJob: call ClosePage form CloseJob");
                    job->ClosePage();
                }
            }
            r = job->CloseJob();
        }
        DeleteTicketValue(jobContext->ticket, TICKET_SCOPE_JOB, jobContext->jobId, kProgressMessageKey,
                          TICKET_INDEX_SCALAR);
        job.reset();
        ownedContext.reset();
        context->Log(LOG_INFO, "PrnBase::CloseJob: success");
        return r;
    } catch (...) {
        context->Log(LOG_ERROR, "PrnBase::CloseJob: exception");
        return -99;
    }
}

int32_t OpenPage(PLUGINCONTEXT* context, const void* pageInfo, void* /*reserved*/, JobContext* jobContext) {
    if (!context) return -1;
    if (!jobContext || !jobContext->job) return -2;
    if (!pageInfo) return -3;
    try {
        CVarnPrn& job = *jobContext->job;
        job.m_iLineCount = 0;
        job.m_iProgressPercent = 0;
        job.m_iLastReportedPercent = 0;
        job.m_CurrentClock = ClockMs();
        job.m_LastReportClock = job.m_CurrentClock;
        SetProgressPercent(*jobContext, job.m_iProgressPercent);
        const int r = job.OpenPage();
        if (r >= 0) context->Log(LOG_INFO, "PrnBase::OpenPage: success");
        return r;
    } catch (...) {
        context->Log(LOG_WARNING, "PrnBase::OpenPage: exception");
        return -99;
    }
}

int32_t WriteLine(PLUGINCONTEXT* context, JobContext* jobContext, const uint8_t* line) {
    if (!jobContext || !jobContext->job) return -1;
    CVarnPrn& job = *jobContext->job;
    try {
        const int r = job.WriteLine(line);
        job.m_CurrentClock = ClockMs();
        if (ProgressReportDue(job.m_iProgressPercent, job.m_iLastReportedPercent, job.m_CurrentClock,
                              job.m_LastReportClock)) {
            if (context) context->Log(LOG_DETAIL, "Process = %d%%", job.m_iProgressPercent);
            SetProgressPercent(*jobContext, job.m_iProgressPercent);
            job.m_iLastReportedPercent = job.m_iProgressPercent;
            job.m_LastReportClock = job.m_CurrentClock;
        }
        return r;
    } catch (...) {
        // The host need not pass a context here.
        if (context) context->Log(LOG_ERROR, "WriteLine exception at line %d", job.m_iLineCount);
        return -99;
    }
}

int32_t ClosePage(PLUGINCONTEXT* context, JobContext* jobContext) {
    if (!context) return -1;
    if (!jobContext || !jobContext->job) return -2;
    try {
        CVarnPrn& job = *jobContext->job;
        const int r = job.ClosePage();
        job.m_iProgressPercent = 0;
        job.m_iLastReportedPercent = 0;
        job.m_LastReportClock = 0;
        job.m_iPageLine = 0;
        if (r >= 0) context->Log(LOG_INFO, "PrnBase::ClosePage: success");
        return r;
    } catch (...) {
        context->Log(LOG_ERROR, "PrnBase::ClosePage: exception");
        return -99;
    }
}

int32_t Abort(PLUGINCONTEXT* context, JobContext* jobContext) {
    if (!context) return -1;
    if (!jobContext) return -2;
    try {
        context->Log(LOG_DETAIL, "PrnBase::Abort");
        if (jobContext->job) jobContext->job->m_bAborted = 1;
    } catch (...) {
    }
    return 0;
}

}  // namespace PrnBase

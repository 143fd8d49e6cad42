// prnhost: runs one job (or the printer-information call) through a plug-in
// library the way a host does.
//
//   prnhost [--plugin LIB] --ticket FILE --image FILE [--image FILE...] --out FILE [--job-id N] [--ticket-out FILE]
//   prnhost [--plugin LIB] --info --ticket FILE --ticket-out FILE [--job-id N]
//   (either with [--log-level N])
//
// The job's output file holds every record the plug-in wrote: u32 tag, u32
// size (little-endian), then the data; it (and the --ticket-out file)
// appears only when every page ended in it. Exit status: see kUsage.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#if defined(_WIN32)
#include <io.h>
#define PRNHOST_ISATTY _isatty
#define PRNHOST_STDERR_FD 2
#else
#include <unistd.h>
#define PRNHOST_ISATTY isatty
#define PRNHOST_STDERR_FD STDERR_FILENO
#endif

#include "base/format.h"
#include "host_job.h"
#include "image.h"
#include "job_inputs.h"
#include "output_file.h"
#include "plugin_library.h"
#include "private_log.h"
#include "services/spool_writer.h"
#include "standard_output.h"
#include "ticket_store.h"
#include "ticket_text.h"

namespace {

constexpr int kFailed = 1;
constexpr int kBadArguments = 2;
constexpr int kPrintedWithErrors = 3;

struct Options {
    std::string plugin;
    std::string ticket;
    std::vector<std::string> images;  // one page each, in order
    std::string out;
    std::string ticketOut;
    uint32_t jobId = 1;
    int logLevel = 1000;  // the plug-in's log lines shown when prnhost runs its own collector
    bool logLevelGiven = false;
    bool info = false;
};

constexpr const char* kUsage =
    "usage: prnhost [--plugin LIB] --ticket FILE --image FILE [--image FILE...] --out FILE [--job-id N]\n"
    "               [--ticket-out FILE]\n"
    "       prnhost [--plugin LIB] --info --ticket FILE --ticket-out FILE [--job-id N]\n"
    "       (either form also takes [--log-level N])\n"
    "Runs a job through the plug-in library (by default the one beside prnhost):\n"
    "the pages of the --image files in order (8-bit TIFF, PNM or PAM; every page\n"
    "of a TIFF, reduced-resolution and mask images aside, and every picture of a\n"
    "PNM/PAM stream, each page like the first in size and colours; bytes after\n"
    "the last picture that are not a picture are refused), the records the plug-in\n"
    "writes into the --out file. --info writes the printer information into\n"
    "the --ticket-out file instead. The output files appear only when the job\n"
    "ran to its end. The ticket's messages are printed after every job. When no\n"
    "log collector runs, prnhost collects the plug-in's log itself and prints\n"
    "its lines of level N and below (default 1000: errors and warnings); a\n"
    "given N also becomes the ticket's \"Debug/Level\" (N / 1000) unless the\n"
    "ticket sets the plug-in's log level.\n"
    "The outputs never replace a file the job reads; a device, a FIFO or standard\n"
    "output is written in place.\n"
    "Exit status: 0 the job ended well; 1 it failed, a page's end is missing or\n"
    "an output could not be written (no output is left); 2 bad arguments; 3 every\n"
    "page ended in the output, but this job left an error in \"Output/ErrorMessage\"\n"
    "or \"Process/ErrorMessage\" (for example no cut data, or a visual correction\n"
    "that could not be read) or a page end reported a failure (printed as\n"
    "\"error:\"; the output is kept).\n";

// Every message of prnhost leaves through these three. The names it quotes (an
// argument, a file, what a picture or a ticket says of itself) come from
// outside: their control bytes are written as "\xNN", as the plug-in writes
// the ticket's values, never sent to the terminal.
void Note(const std::string& message) { std::fprintf(stderr, "prnhost: %s\n", EscapeControlBytes(message).c_str()); }

int Fail(const std::string& message) {
    Note(message);
    return kFailed;
}

int Usage(const std::string& message) {
    std::fprintf(stderr, "prnhost: %s\n%s", EscapeControlBytes(message).c_str(), kUsage);
    return kBadArguments;
}

// Names what the outputs' replacements removed, when it goes: second names of
// an output that a killed run had left (nothing is lost with them).
class LeftoversReport {
public:
    explicit LeftoversReport(std::vector<const prnhost::OutputFile*> files) : files_(std::move(files)) {}
    ~LeftoversReport() {
        try {
            for (const prnhost::OutputFile* file : files_) {
                for (const platform::RemovedLeftover& gone : file->RemovedLeftovers()) {
                    Note("removed " + gone.path + ": a second name of " + file->Path() + " that an interrupted run " +
                         "(process " + std::to_string(gone.process) + ") left");
                }
            }
        } catch (const std::exception&) {  // no memory for the message: the files are as they are
        }
    }
    LeftoversReport(const LeftoversReport&) = delete;
    LeftoversReport& operator=(const LeftoversReport&) = delete;

private:
    std::vector<const prnhost::OutputFile*> files_;
};

bool ParseJobId(const char* text, uint32_t& id) {
    char* end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(text, &end, 10);
    if (!*text || *end || errno != 0 || value > 0xFFFFFFFFull || text[0] == '-') return false;
    id = static_cast<uint32_t>(value);
    return true;
}

// 0 when the arguments make a command, -1 when the help text was asked for
// (printed), else the exit status (usage printed).
int Parse(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--info") {
            o.info = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            toolfile::PrintStandardOutput("%s", kUsage);
            return -1;
        }
        std::string image;
        std::string* target = arg == "--plugin"       ? &o.plugin
                               : arg == "--ticket"     ? &o.ticket
                               : arg == "--image"      ? &image
                               : arg == "--out"        ? &o.out
                               : arg == "--ticket-out" ? &o.ticketOut
                                                       : nullptr;
        const bool isJobId = arg == "--job-id";
        const bool isLogLevel = arg == "--log-level";
        if (!target && !isJobId && !isLogLevel) return Usage("unknown argument " + arg);
        if (i + 1 >= argc) return Usage(arg + " needs a value");
        const char* value = argv[++i];
        uint32_t number = 0;
        if (isJobId) {
            if (!ParseJobId(value, o.jobId)) return Usage("--job-id needs a number from 0 to 4294967295");
        } else if (isLogLevel) {
            if (!ParseJobId(value, number) || number > 100000) return Usage("--log-level needs a number from 0 to 100000");
            o.logLevel = static_cast<int>(number);
            o.logLevelGiven = true;
        } else {
            *target = value;
        }
        if (target == &image) o.images.push_back(image);
    }
    if (o.ticket.empty()) return Usage("--ticket is missing");
    if (o.info) {
        if (o.ticketOut.empty()) return Usage("--info needs --ticket-out");
        if (!o.images.empty() || !o.out.empty()) return Usage("--info takes no --image or --out");
    } else {
        if (o.images.empty()) return Usage("--image is missing");
        if (o.out.empty()) return Usage("--out is missing");
    }
    if (o.plugin.empty()) o.plugin = prnhost::DefaultPluginPath();
    return 0;
}

constexpr const char* kMessageKeys[] = {"Output/ErrorMessage", "Process/ErrorMessage", "Process/InfoMessage"};

// A job, and the printer-information call, start with the message lists
// empty: the messages of an earlier job (in a ticket written by
// --ticket-out) are not this one's.
void ClearMessages(hostkit::TicketStore& store) {
    for (const char* key : kMessageKeys) store.Erase(TICKET_SCOPE_JOB, store.jobId(), key);
}

// The plug-in's messages to the user. When the job ended well, the error
// lists are errors (the page may lack what they say) and the information
// list warnings; true when there was such an error.
bool ReportMessages(const hostkit::TicketStore& store, bool failed) {
    bool error = false;
    for (const char* key : kMessageKeys) {
        const bool isError = std::strcmp(key, "Process/InfoMessage") != 0;
        for (const std::string& text : prnhost::TicketStrings(store, key)) {
            if (text.empty()) continue;
            error = error || isError;
            std::fprintf(stderr, "prnhost: %s%s: %s\n", failed ? "" : isError ? "error: " : "warning: ", key,
                         text.c_str());
        }
    }
    return error && !failed;
}

// Writes the final ticket into the file's temporary; false with the message printed.
bool WriteTicketOut(const hostkit::TicketStore& store, prnhost::OutputFile& file) {
    std::string text;
    try {
        text = hostkit::WriteTicketText(store);
    } catch (const std::exception& e) {
        Fail(std::string("cannot write the ticket: ") + e.what());
        return false;
    }
    file.Write(text.data(), text.size());
    return true;
}

// Puts the finished output files under their names in their order, all or
// none (see toolfile::PublishTogether): 0 or the exit status (message printed).
int PublishAll(const std::vector<prnhost::OutputFile*>& files) {
    std::string error;
    return toolfile::PublishTogether(files, error) ? 0 : Fail(error);
}

// An output that names a file the job reads, or the other output, would
// destroy a file of the user's: refused before the job. The plug-in is the
// file loaded (a bare name is where the loader found it). 0 or the exit
// status (message printed).
int CheckOutputNames(const Options& o, const prnhost::PluginLibrary& plugin, const hostkit::TicketStore& store) {
    const prnhost::JobFiles inputs = prnhost::FilesAJobReads(o.ticket, o.images, plugin.File(), store);
    for (const toolfile::NamedFile& output : {toolfile::NamedFile{"--out", o.out}, {"--ticket-out", o.ticketOut}}) {
        if (output.path.empty()) continue;
        if (const std::string refused = prnhost::RefuseJobInput(output, inputs); !refused.empty()) return Fail(refused);
    }
    if (!o.out.empty() && !o.ticketOut.empty() && toolfile::SameFile(o.out, o.ticketOut)) {
        return Fail("--out " + o.out + " and --ticket-out " + o.ticketOut + " name the same file");
    }
    return 0;
}

// The plug-in's write callback between it and the output file: counts the
// page ends that reach the stream.
struct StreamWriter {
    prnhost::RecordFile file;
    uint64_t pageEnds = 0;

    static int Write(void* context, uint32_t tag, const uint8_t* data, uint32_t size) {
        auto* self = static_cast<StreamWriter*>(context);
        const int r = prnhost::RecordFile::Write(&self->file, tag, data, size);
        if (r == 0 && tag == SPLTAG_PAGE_END) ++self->pageEnds;
        return r;
    }
};

// Shows "Output/Progress/Percent" on a terminal as it changes.
class ProgressLine {
public:
    explicit ProgressLine(const hostkit::TicketStore& store)
        : store_(store), shown_(PRNHOST_ISATTY(PRNHOST_STDERR_FD) != 0) {}
    ~ProgressLine() {
        if (printed_) std::fputc('\n', stderr);
    }
    void Update() {
        if (!shown_) return;
        const hostkit::Elements* value = store_.Find(TICKET_SCOPE_JOB, store_.jobId(), "Output/Progress/Percent");
        const int32_t* percent = value && !value->empty() ? std::get_if<int32_t>(&value->front()) : nullptr;
        if (!percent || *percent == last_) return;
        last_ = *percent;
        std::fprintf(stderr, "\rprnhost: %3d%%", last_);
        std::fflush(stderr);
        printed_ = true;
    }

private:
    const hostkit::TicketStore& store_;
    bool shown_;
    bool printed_ = false;
    int32_t last_ = -1;
};

int RunInfo(const Options& o, const prnhost::PluginLibrary& plugin, hostkit::TicketStore& store,
            prnhost::PrivateLog& log) {
    const PrnInterface& api = plugin.Table();
    PLUGINCONTEXT* context = nullptr;
    if (const int r = api.CreateContext(&context, "prnhost"); r != 0 || !context) {
        return Fail("CreateContext failed (" + std::to_string(r) + ")");
    }
    ClearMessages(store);
    const int printers = api.GetPrinterInfo(context, store.ticket(), o.jobId);
    api.Terminate(&context);
    log.StopAndPrint(o.logLevel);
    const bool reportedError = ReportMessages(store, printers < 0);
    if (printers < 0) return Fail("GetPrinterInfo failed (" + std::to_string(printers) + ")");
    prnhost::OutputFile ticketOut;
    const LeftoversReport leftovers({&ticketOut});
    std::string error;
    if (!ticketOut.Create(o.ticketOut, error)) return Fail(error);
    // The file is finished (one written in place is whole there), the count
    // line printed, and only then the file put under its name: a run that
    // cannot print the count fails and leaves the old file as it was.
    if (!WriteTicketOut(store, ticketOut)) return kFailed;
    if (!ticketOut.Finish(error)) return Fail(error);
    toolfile::PrintStandardOutput("prnhost: %d printer%s\n", printers, printers == 1 ? "" : "s");
    const int status = reportedError ? kPrintedWithErrors : 0;
    if (toolfile::FinishStandardOutput("prnhost", status) != status) return kFailed;
    if (!ticketOut.Publish(error)) return Fail(error);
    ticketOut.Keep();
    return status;
}

// Opens every picture file of the job; their pages must all be alike, since
// the job's raster keys hold for each page. Null with a message.
bool OpenPictures(const std::vector<std::string>& paths, std::vector<std::unique_ptr<prnhost::ImageReader>>& pictures,
                  std::string& error) {
    for (const std::string& path : paths) {
        std::unique_ptr<prnhost::ImageReader> picture = prnhost::OpenImage(path, error);
        if (!picture) return false;
        const prnhost::ImageInfo& a = pictures.empty() ? picture->Info() : pictures.front()->Info();
        const prnhost::ImageInfo& b = picture->Info();
        if (!prnhost::SameKind(a, b)) {
            error = path + ": " + prnhost::Describe(b) + ", the first picture " + prnhost::Describe(a) +
                    ": every page of a job has the first one's size and colours";
            return false;
        }
        pictures.push_back(std::move(picture));
    }
    return true;
}

int RunJob(const Options& o, const prnhost::PluginLibrary& plugin, hostkit::TicketStore& store,
           prnhost::PrivateLog& log) {
    std::vector<std::unique_ptr<prnhost::ImageReader>> pictures;
    std::string error;
    if (!OpenPictures(o.images, pictures, error)) return Fail(error);
    prnhost::LineLayout layout;
    if (!prnhost::PrepareJobInput(prnhost::FedInfo(pictures.front()->Info()), store, layout, error)) {
        return Fail(o.images.front() + ": " + error);
    }

    StreamWriter stream;
    prnhost::RecordFile& output = stream.file;
    prnhost::OutputFile ticketOut;
    const LeftoversReport leftovers({&ticketOut, &output.File()});
    if (!output.Open(o.out, error)) return Fail(error);
    if (!o.ticketOut.empty() && !ticketOut.Create(o.ticketOut, error)) return Fail(error);

    const PrnInterface& api = plugin.Table();
    PLUGINCONTEXT* context = nullptr;
    if (const int r = api.CreateContext(&context, "prnhost"); r != 0 || !context) {
        return Fail("CreateContext failed (" + std::to_string(r) + ")");
    }

    ClearMessages(store);

    std::string failed;                  // the call that failed and its code
    std::vector<std::string> pageErrors;  // page ends that failed with the page's end in the stream
    JobContext* job = nullptr;
    if (const int r = api.OpenJob(context, store.ticket(), o.jobId, &job, &StreamWriter::Write, &stream);
        r != 0) {
        failed = "OpenJob failed (" + std::to_string(r) + ")";
    } else {
        const uint32_t pageInfo = 1;  // the plug-in only tests it for null
        ProgressLine progress(store);
        uint64_t pages = 0;  // of every picture file
        for (const auto& picture : pictures) pages += picture->Pages();
        // Each page of each picture file, in order.
        size_t picture = 0;
        uint64_t pageOfPicture = 0;
        for (uint64_t page = 0; page < pages && failed.empty(); ++page, ++pageOfPicture) {
            const std::string pageName = pages > 1 ? " of page " + std::to_string(page + 1) : "";
            if (pageOfPicture == pictures[picture]->Pages()) {
                ++picture;
                pageOfPicture = 0;
            }
            if (const int p = api.OpenPage(context, &pageInfo, nullptr, job); p < 0) {
                failed = "OpenPage" + pageName + " failed (" + std::to_string(p) + ")";
                break;
            }
            if (pageOfPicture > 0 && !pictures[picture]->NextPage(error)) failed = error;
            prnhost::PageFeeder feeder(*pictures[picture], layout);
            std::vector<uint8_t> call;
            for (int n = 0; n < layout.calls && failed.empty(); ++n) {
                if (!feeder.Next(call, error)) {
                    failed = error;
                } else if (const int w = api.WriteLine(context, job, call.data()); w < 0) {
                    failed = "WriteLine" + pageName + " failed at call " + std::to_string(n + 1) + " of " +
                             std::to_string(layout.calls) + " (" + std::to_string(w) + ")";
                }
                progress.Update();
            }
            if (failed.empty()) {
                // A page whose end is not in the stream (a layer that could not
                // be played back, a page end the stream did not take) fails the
                // job. One that ended there but reports a failure (a cut page
                // without its cut data) is an error the output is kept with.
                const uint64_t pageEnds = stream.pageEnds;
                const int c = api.ClosePage(context, job);
                const std::string closeFailed = "ClosePage" + pageName + " failed (" + std::to_string(c) + ")";
                if (stream.pageEnds == pageEnds) {
                    failed = (c < 0 ? closeFailed : "ClosePage" + pageName) + ": the page's end is not in the output";
                } else if (c < 0) {
                    pageErrors.push_back(closeFailed);
                }
            } else {
                api.Abort(context, job);  // CloseJob then closes the page
            }
        }
    }
    // After a failed OpenJob too: CloseJob releases the job.
    if (job) {
        const int c = api.CloseJob(context, job);
        if (c != 0 && failed.empty()) failed = "CloseJob failed (" + std::to_string(c) + ")";
    }
    api.Terminate(&context);
    log.StopAndPrint(o.logLevel);
    const bool reportedError = ReportMessages(store, !failed.empty());
    for (const std::string& pageError : pageErrors) Fail((failed.empty() ? "error: " : "") + pageError);

    if (!failed.empty()) {
        Fail(failed);
        // A record the file refused: the system's reason.
        if (const std::string reason = output.WriteError(); !reason.empty()) Fail(reason);
        return kFailed;  // the output goes with its temporary file
    }
    if (ticketOut.Stream() && !WriteTicketOut(store, ticketOut)) return kFailed;
    // The stream last: a --ticket-out that cannot be put in place leaves no stream.
    if (const int status = PublishAll({&ticketOut, &output.File()}); status != 0) return status;
    return reportedError || !pageErrors.empty() ? kPrintedWithErrors : 0;
}

}  // namespace

int main(int argc, char** argv) {
    toolfile::OpenClosedStandardFiles();
    Options options;
    if (const int status = Parse(argc, argv, options); status != 0) {
        return status < 0 ? toolfile::FinishStandardOutput("prnhost", 0) : status;
    }
    toolfile::RemoveTemporariesOnSignals();
    try {
        hostkit::TicketStore store(options.jobId);
        try {
            hostkit::LoadTicketFile(options.ticket, store);
        } catch (const std::exception& error) {
            return Fail(error.what());
        }
        prnhost::PluginLibrary plugin;
        std::string error;
        if (!plugin.Load(options.plugin, error)) return Fail(error);
        if (const int status = CheckOutputNames(options, plugin, store); status != 0) return status;
        if (options.logLevelGiven && !store.Find(TICKET_SCOPE_SYSTEM, 0, "Debug/Plugins/Output/LogLevel") &&
            !store.Find(TICKET_SCOPE_SYSTEM, 0, "Debug/Level")) {
            store.Set(TICKET_SCOPE_SYSTEM, 0, "Debug/Level", static_cast<int32_t>(options.logLevel / 1000));
        }
        prnhost::PrivateLog log;
        log.Start();
        return options.info ? RunInfo(options, plugin, store, log) : RunJob(options, plugin, store, log);
    } catch (const std::exception& error) {
        return Fail(error.what());
    }
}

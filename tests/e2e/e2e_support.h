// The end-to-end tests' host: the built plug-in loaded by path, a ticket
// store, the records the plug-in writes, a log collector process on a
// private pipe folder, and runs of the prnhost program. They start processes
// the POSIX way (files *_posix_test.cpp).
#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "e2e_family.h"
#include "plugin/host_interface.h"
#include "support/program_run.h"
#include "support/scratch_folder.h"
#include "plugin_library.h"
#include "ticket_store.h"
#include "ticket_text.h"

namespace e2e {

struct Record {
    uint32_t tag = 0;
    std::vector<uint8_t> data;
};

inline uint32_t U32At(const std::vector<uint8_t>& bytes, size_t offset) {
    return uint32_t(bytes[offset]) | uint32_t(bytes[offset + 1]) << 8 | uint32_t(bytes[offset + 2]) << 16 |
           uint32_t(bytes[offset + 3]) << 24;
}

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The program's log collector on a private pipe folder, which becomes this
// process's (and its children's) KELMORA_PIPE_DIR while it lives.
class Collector {
public:
    Collector() : folder_(true), logFile_(folder_.File("collected.log")), collector_(Started(logFile_)) {
        // Ready when its control pipe exists.
        const std::string control = folder_.File("ZorAvudurad");
        for (int i = 0; i < 500 && collector_.Started(); ++i) {
            struct stat info {};
            if (stat(control.c_str(), &info) == 0) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    ~Collector() { collector_.Stop(SIGTERM); }

    const ScratchFolder& Folder() const { return folder_; }

    // Stops the collector (it takes in what the clients sent first) and
    // returns everything it wrote.
    std::string StopAndRead() {
        collector_.Stop(SIGTERM);
        return ReadText(logFile_);
    }

private:
    // The collector ends with the test process, however that ends.
    static testprogram::Process Started(const std::string& logFile) {
        const pid_t parent = getpid();
        testprogram::Command command{{LOGCOLLECTOR_PATH, "-o", logFile}};
        command.setUp = [parent] {
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (getppid() != parent) _exit(1);
        };
        return testprogram::Process(command);
    }

    ScratchFolder folder_;
    std::string logFile_;
    testprogram::Process collector_;
};

// A host of one plug-in library: its table, a ticket store and the records
// written to the host's write function.
class Host {
public:
    explicit Host(const std::string& library, uint32_t jobId = 1) : store(jobId) {
        std::string error;
        loaded = plugin.Load(library, error);
        EXPECT_TRUE(loaded) << error;
    }
    ~Host() { Terminate(); }

    const PrnInterface& api() const { return plugin.Table(); }

    void Ticket(const std::string& text) { hostkit::ReadTicketText(text, store); }

    static int Write(void* self, uint32_t tag, const uint8_t* data, uint32_t size) {
        auto* host = static_cast<Host*>(self);
        host->records.push_back(Record{tag, std::vector<uint8_t>(data, data + size)});
        if (host->onWrite) host->onWrite();
        return 0;
    }

    int CreateContext() { return api().CreateContext(&context, "e2e"); }
    // Releases the context (before the collector stops: its last line goes there).
    // A job still open is closed first, as a host does.
    void Terminate() {
        if (loaded && context && job) CloseJob();
        if (loaded && context) api().Terminate(&context);
        context = nullptr;
    }
    int OpenJob() { return api().OpenJob(context, store.ticket(), store.jobId(), &job, &Host::Write, this); }
    int OpenPage() { return api().OpenPage(context, &pageInfo, nullptr, job); }
    int WriteLine(const std::vector<uint8_t>& line) { return api().WriteLine(context, job, line.data()); }
    int ClosePage() { return api().ClosePage(context, job); }
    int CloseJob() {
        const int r = api().CloseJob(context, job);
        job = nullptr;
        return r;
    }

    std::vector<uint32_t> Tags() const {
        std::vector<uint32_t> tags;
        for (const Record& r : records) tags.push_back(r.tag);
        return tags;
    }
    // The data records of printed lines.
    std::vector<Record> Lines() const {
        std::vector<Record> lines;
        for (const Record& r : records) {
            if (r.tag == SPLTAG_DATA && r.data.size() >= 4) lines.push_back(r);
        }
        return lines;
    }
    std::string JobString(const std::string& key) const {
        const hostkit::Elements* e = store.Find(TICKET_SCOPE_JOB, store.jobId(), key);
        return e && !e->empty() ? std::get<std::string>(e->front()) : std::string();
    }
    int32_t JobInt(const std::string& key, int32_t def) const {
        const hostkit::Elements* e = store.Find(TICKET_SCOPE_JOB, store.jobId(), key);
        return e && !e->empty() ? std::get<int32_t>(e->front()) : def;
    }

    prnhost::PluginLibrary plugin;
    bool loaded = false;
    hostkit::TicketStore store;
    std::vector<Record> records;
    std::function<void()> onWrite;
    PLUGINCONTEXT* context = nullptr;
    JobContext* job = nullptr;
    uint32_t pageInfo = 1;
};

// A job ticket of the test family: a CMYK raster of width x height pixels at
// 720 dpi on a medium far larger than the image.
inline std::string FamilyJob(int32_t model, int width, int height) {
    std::ostringstream t;
    t << "[job]\n"
      << "Output/Prn/Printer/Model = " << model << "\n"
      << "Output/Prn/Printer/ModelName = \"Test family " << model << "\"\n"
      << "Output/Prn/Linearization/BPLPath = \"/nowhere/job.epl\"\n"
      << "Output/Prn/Printer/ResolutionX = 720.0\n"
      << "Output/Prn/Printer/ResolutionY = 720.0\n"
      << "Output/Prn/Printer/InputColorMode = 4\n"
      << "Process/Components = 4\n"
      << "Process/OutWidthPixel = " << width << "\n"
      << "Process/OutHeightPixel = " << height << "\n"
      << "Output/Prn/Media/Size/Width = 1000.0\n"
      << "Output/Prn/Media/Size/Height = 2000.0\n";
    return t.str();
}

// A CMYK line of the given width whose bytes tell line and position apart.
inline std::vector<uint8_t> PatternLine(int width, int line) {
    std::vector<uint8_t> bytes((static_cast<size_t>(width) * 4 + 31) / 32 * 32, 0);
    for (int i = 0; i < width * 4; ++i) bytes[static_cast<size_t>(i)] = static_cast<uint8_t>(line * 16 + i);
    return bytes;
}

using Run = testprogram::Outcome;

// Runs prnhost with the arguments; its output and errors together.
inline Run Prnhost(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), PRNHOST_PATH);
    return testprogram::Run({arguments});
}

}  // namespace e2e

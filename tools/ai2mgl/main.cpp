// ai2mgl: the cut data of an Illustrator cut file, exactly as a print-and-cut
// page receives it, for an image of a given size; optionally with the
// registration marks of that image, and as HP-GL for a plotter renderer.
// What the job logs as a warning or error (operators not cut, a cut outside
// the picture) goes to standard error.
//
//   ai2mgl --ai FILE --width PX --height PX --dpi X[,Y] --out FILE
//          [--marks] [--bits 1|2] [--cut-mode N] [--bottom-feed MM]
//          [--model N] [--hpgl FILE]
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <iostream>
#include <limits>
#include <memory>
#include <string>

#include "base/format.h"
#include "base/log_interface.h"
#include "cutting/cut_driver.h"
#include "cutting/cutmarks.h"
#include "job/varn_prn.h"
#include "mgl_decode.h"
#include "output_file.h"
#include "standard_output.h"
#include "ticket_store.h"

namespace {

struct Options {
    std::string aiPath, outPath, hpglPath;
    int width = 0, height = 0, dpiX = 0, dpiY = 0, bits = 1, cutMode = 0, model = 7018;
    double bottomFeedMm = -1.0;
    bool marks = false;
};

const char kUsage[] =
    "usage: ai2mgl --ai FILE --width PX --height PX --dpi X[,Y] --out FILE\n"
    "              [--marks] [--bits 1|2] [--cut-mode N] [--bottom-feed MM] [--model N] [--hpgl FILE]\n";

[[noreturn]] void Usage(const std::string& problem) {
    std::cerr << "ai2mgl: " << problem << "\n" << kUsage;
    std::exit(2);
}

// The whole number of an argument, at least least; a usage error naming the argument and its value.
int ToInt(const std::string& text, const char* what, int least = std::numeric_limits<int>::min()) {
    size_t used = 0;
    int value = 0;
    try {
        value = std::stoi(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != text.size()) Usage(std::string("bad number for ") + what + ": " + EscapeControlBytes(text));
    if (value < least) {
        Usage(std::string("bad value for ") + what + ": " + EscapeControlBytes(text) + " (it must be " +
              std::to_string(least) + " or more)");
    }
    return value;
}

Options Parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto value = [&]() -> std::string {
            if (i + 1 >= argc) Usage(arg + " needs a value");
            return argv[++i];
        };
        if (arg == "--help" || arg == "-h") {
            std::exit(toolfile::PrintHelp("ai2mgl", kUsage));
        }
        if (arg == "--ai") {
            o.aiPath = value();
        } else if (arg == "--out") {
            o.outPath = value();
        } else if (arg == "--hpgl") {
            o.hpglPath = value();
        } else if (arg == "--width") {
            o.width = ToInt(value(), "--width", 1);
        } else if (arg == "--height") {
            o.height = ToInt(value(), "--height", 1);
        } else if (arg == "--dpi") {
            const std::string v = value();
            const size_t comma = v.find(',');
            o.dpiX = ToInt(v.substr(0, comma), "--dpi", 1);
            o.dpiY = comma == std::string::npos ? o.dpiX : ToInt(v.substr(comma + 1), "--dpi", 1);
        } else if (arg == "--bits") {
            o.bits = ToInt(value(), "--bits", 1);
            if (o.bits > 2) Usage("bad value for --bits: " + std::to_string(o.bits) + " (1 or 2)");
        } else if (arg == "--cut-mode") {
            o.cutMode = ToInt(value(), "--cut-mode");
        } else if (arg == "--model") {
            o.model = ToInt(value(), "--model");
        } else if (arg == "--bottom-feed") {
            const std::string v = value();
            char* end = nullptr;
            o.bottomFeedMm = std::strtod(v.c_str(), &end);
            if (end == v.c_str() || *end) Usage("bad number for --bottom-feed: " + EscapeControlBytes(v));
        } else if (arg == "--marks") {
            o.marks = true;
        } else {
            Usage("unknown argument " + EscapeControlBytes(arg));
        }
    }
    if (o.aiPath.empty() || o.outPath.empty()) Usage("--ai and --out are needed");
    if (o.width < 1 || o.height < 1 || o.dpiX < 1 || o.dpiY < 1) Usage("--width, --height and --dpi are needed");
    for (const int dpi : {o.dpiX, o.dpiY}) {
        if (o.marks && !IsLegalResolution(dpi)) {
            Usage("--marks needs a --dpi of 360 or more in steps of 180 (360, 540, 720, ...): " +
                  std::to_string(dpi) + " is not one");
        }
    }
    return o;
}

int DiscardRow(void*, const uint8_t*, uint32_t) { return 0; }

// The job's warnings and errors (what the cut code skipped or doubts) go to
// standard error.
class StderrLogger : public clLogFullInterface {
public:
    void LogV(int level, const char* format, va_list args) override {
        if (!IsEnabled(level)) return;
        std::string text;
        FormatStringV(text, format, args);
        std::cerr << "ai2mgl: " << (level < LOG_WARNING ? "error: " : "warning: ") << text << "\n";
    }
    void Log(int level, const char* format, ...) override {
        va_list args;
        va_start(args, format);
        LogV(level, format, args);
        va_end(args);
    }
    bool IsEnabled(int level) override { return level <= LOG_WARNING; }
    int GetLevel() override { return 1; }
    void SetLevel(int) override {}
    void LogModuleV(const char*, int level, const char* format, va_list args) override { LogV(level, format, args); }
};

}  // namespace

int main(int argc, char** argv) {
    toolfile::OpenClosedStandardFiles();
    const Options o = Parse(argc, argv);
    // Two outputs never name one file: the second would replace the first.
    if (!o.hpglPath.empty() && toolfile::SameFile(o.outPath, o.hpglPath)) {
        std::cerr << "ai2mgl: --out " << EscapeControlBytes(o.outPath) << " and --hpgl " << EscapeControlBytes(o.hpglPath)
                  << " name the same file\n";
        return 1;
    }
    for (const toolfile::NamedFile& output : {toolfile::NamedFile{"--out", o.outPath}, {"--hpgl", o.hpglPath}}) {
        const std::string refused =
            output.path.empty() ? std::string() : toolfile::RefuseOverwrite(output, {{"the input --ai", o.aiPath}});
        if (!refused.empty()) {
            std::cerr << "ai2mgl: " << EscapeControlBytes(refused) << "\n";
            return 1;
        }
    }
    toolfile::RemoveTemporariesOnSignals();
    constexpr uint32_t kJobId = 1;
    hostkit::TicketStore store(kJobId);
    // Not product version 4.0 and no iCut cutter: the cut file is the first
    // element of the name list, taken whole.
    store.Set(TICKET_SCOPE_JOB, kJobId, "System/Product/MajorVersion", int32_t{5});
    store.Set(TICKET_SCOPE_JOB, kJobId, "Process/ContourCut/ICUT/AI_FileName", o.aiPath);
    StderrLogger log;
    CVarnPrn job(store.ticket(), kJobId, &log);
    job.m_iImageWidth = o.width;
    job.m_iImageHeight = o.height;
    job.m_dResolutionX = o.dpiX;
    job.m_dResolutionY = o.dpiY;
    job.m_iResolutionX = o.dpiX;
    job.m_iResolutionY = o.dpiY;
    job.m_dBottomFeed = o.bottomFeedMm;
    job.m_iCuttingMode = o.cutMode;

    Bytes data;
    try {
        std::unique_ptr<CMimakiCut> cut = CreateMimakiCutDriver(&job, o.model);
        std::unique_ptr<MimakiCutmarksGenerator> marks;
        if (o.marks) {
            MimakiCutmarksGeneratorParams params;
            params.pfnWriteRow = DiscardRow;
            params.pContext = &job;
            params.iResolutionX = o.dpiX;
            params.iResolutionY = o.dpiY;
            params.iImageWidth = o.width;
            params.iImageHeight = o.height;
            params.iBitsPerPixel = o.bits;
            marks = CreateMimakiCutmarksGenerator(params);
            marks->EmitMarks(false);
            cut->SetIMimakiCutmarksGeneratorInfo(marks.get());
        }
        cut->GetCutData(data);
    } catch (const std::exception& e) {
        std::cerr << "ai2mgl: " << EscapeControlBytes(e.what()) << "\n";
        return 1;
    }
    std::string error;
    if (!toolfile::WriteWholeFile(o.outPath, data.data(), data.size(), error)) {
        std::cerr << "ai2mgl: " << EscapeControlBytes(error) << "\n";
        return 1;
    }
    if (!o.hpglPath.empty()) {
        std::string hpgl;
        try {
            hpgl = mgl::ToHpgl(mgl::Decode(mgl::Unframe(data)));
        } catch (const mgl::DecodeError& e) {
            std::cerr << "ai2mgl: the cut data does not decode: " << e.what() << "\n";
            return 1;
        }
        if (!toolfile::WriteWholeFile(o.hpglPath, hpgl.data(), hpgl.size(), error)) {
            std::cerr << "ai2mgl: " << EscapeControlBytes(error) << "\n";
            return 1;
        }
    }
    return 0;
}

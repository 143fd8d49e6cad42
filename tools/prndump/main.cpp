// prndump: lists the records of a printer output file and the MRL commands in
// them, and draws the ink planes of each page as PNG pictures.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/format.h"
#include "output_file.h"
#include "prndump/cut_data.h"
#include "prndump/decode_error.h"
#include "prndump/mrl_decode.h"
#include "prndump/plane_images.h"
#include "prndump/png_out.h"
#include "prndump/prn_records.h"
#include "standard_output.h"

namespace {

using namespace prndecode;

const char kUsage[] =
    "usage: prndump [options] FILE\n"
    "Lists the records of a printer output file (u32 tag, u32 size, data) and the\n"
    "MRL commands inside them.\n"
    "  --records         list the records only, not their commands\n"
    "  --rows            also print the unpacked bytes of every raster row\n"
    "  --planes PREFIX   write each page's ink planes as PREFIX-p<page>-<ink>.png\n"
    "  --preview FILE    write a colour preview of page 1 to FILE (of page N to FILE\n"
    "                    with \"-p<N>\" before the extension); a layered page is\n"
    "                    drawn as printed, its layers over one another\n"
    "  --cut PREFIX      write each page's cut data as PREFIX-p<page>.mgl (its MGL\n"
    "                    text) and PREFIX-p<page>.hpgl (its pen moves as HP-GL);\n"
    "                    a file without cut data is an error\n"
    "  --layers          list the layers that a layered page plays back: header,\n"
    "                    direction, curing and planes; --planes and --preview\n"
    "                    draw each layer of a layered page apart (\"-l<L>\" in the\n"
    "                    names), a preview the right way up\n"
    "  -q, --quiet       no listing\n"
    "  -h, --help        this text\n";

struct Options {
    std::string file;
    std::string planes;
    std::string preview;
    std::string cut;
    bool recordsOnly = false;
    bool rows = false;
    bool quiet = false;
    bool layers = false;
};

std::string HexBytes(const std::vector<uint8_t>& bytes, size_t limit) {
    std::string text;
    char byte[4];
    for (size_t i = 0; i < bytes.size() && i < limit; ++i) {
        std::snprintf(byte, sizeof byte, "%02X ", bytes[i]);
        text += byte;
    }
    if (bytes.size() > limit) text += "...";
    return text;
}

std::string Printable(const std::vector<uint8_t>& bytes, size_t limit) {
    std::string text;
    for (size_t i = 0; i < bytes.size() && i < limit; ++i) {
        const uint8_t c = bytes[i];
        text += (c >= 0x20 && c < 0x7F) ? char(c) : '.';
    }
    if (bytes.size() > limit) text += "...";
    return text;
}

// An output never replaces the file it is drawn from: refused before it is written.
void RefuseInput(const std::string& path, const Options& options) {
    const std::string refused = toolfile::RefuseOverwrite({"the output", path}, {{"the input", options.file}});
    if (!refused.empty()) throw DecodeError(EscapeControlBytes(refused));
}

void WriteText(const std::string& path, const std::string& text, const Options& options) {
    RefuseInput(path, options);
    std::string error;
    if (!toolfile::WriteWholeFile(path, text.data(), text.size(), error)) throw DecodeError(EscapeControlBytes(error));
}

// The preview of a page (layer -1) or of one layer of a layered page.
std::string PreviewName(const std::string& file, int page, int layer) {
    if (page == 1 && layer < 0) return file;
    const size_t dot = file.find_last_of('.');
    const size_t slash = file.find_last_of('/');
    std::string suffix = "-p" + std::to_string(page);
    if (layer >= 0) suffix += "-l" + std::to_string(layer);
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return file + suffix;
    return file.substr(0, dot) + suffix + file.substr(dot);
}

void WritePreview(const std::string& path, const Picture& picture, const Options& options) {
    RefuseInput(path, options);
    WritePng(path, picture);
    if (!options.quiet) {
        toolfile::PrintStandardOutput("wrote %s (%zu x %zu)\n", EscapeControlBytes(path).c_str(), picture.width,
                                      picture.height);
    }
}

// The previews of one page from its images, first to last (one, or one per
// layer in print order): the page as printed under the page's name, and each
// layer of a page of several apart, all in the picture's orientation.
void WritePreviews(const PageImage* first, const PageImage* last, const Options& options) {
    const size_t count = size_t(last - first);
    std::vector<PageImage> upright;
    std::vector<const PageImage*> printed;
    upright.reserve(count);
    for (const PageImage* image = first; image != last; ++image) {
        upright.push_back(Upright(*image));
        printed.push_back(&upright.back());
        if (count > 1 && image->layer >= 0) {
            WritePreview(PreviewName(options.preview, image->number, image->layer), RenderPreview(upright.back()),
                         options);
        }
    }
    WritePreview(PreviewName(options.preview, first->number, -1), RenderPreview(printed), options);
}

// Lists one record; returns false when its commands could not be decoded.
bool ListRecord(const Record& record, size_t index, const Options& options) {
    const char* name = TagName(record.tag);
    char head[96];
    std::snprintf(head, sizeof head, "#%zu @%zu 0x%08X %s, %zu bytes", index, record.offset, record.tag,
                  name ? name : "(unknown tag)", record.data.size());
    toolfile::PrintStandardOutput("%s\n", head);
    if (options.recordsOnly || record.data.empty()) return true;
    if (!TagCarriesMrl(record.tag)) {
        toolfile::PrintStandardOutput("    text: %s\n", Printable(record.data, 120).c_str());
        return true;
    }
    try {
        for (const Command& command : DecodeMrl(record.data)) {
            toolfile::PrintStandardOutput("    %s\n", FormatCommand(command).c_str());
            if (options.rows && command.isRaster) {
                toolfile::PrintStandardOutput("      %s\n", HexBytes(command.row, 1u << 16).c_str());
            }
        }
    } catch (const DecodeError& e) {
        toolfile::PrintStandardOutput("    !! %s\n    data: %s\n", e.what(), HexBytes(record.data, 64).c_str());
        return false;
    }
    return true;
}

int Run(const Options& options) {
    if (!options.preview.empty()) RefuseInput(options.preview, options);  // page 1's name
    const std::vector<Record> records = ReadRecordFile(options.file);
    if (records.empty()) throw DecodeError("\"" + EscapeControlBytes(options.file) + "\": no records");
    bool ok = true;
    if (!options.quiet) {
        for (size_t i = 0; i < records.size(); ++i) ok = ListRecord(records[i], i, options) && ok;
        if (!records.empty() && records.back().tag != kTagEof) {
            toolfile::PrintStandardOutput("!! the file does not end with SPLTAG_EOF\n");
            ok = false;
        }
    }
    if (!options.planes.empty() || !options.preview.empty() || options.layers) {
        const std::vector<PageImage> pages = AssemblePages(records);
        size_t pageStart = 0;  // the first image of the page
        for (size_t index = 0; index < pages.size(); ++index) {
            const PageImage& page = pages[index];
            const size_t width = page.WidthPixels();
            if (options.layers && page.layer >= 0) {
                std::string planes;
                for (const PlaneImage& plane : page.planes) planes += " " + InkName(plane.colour);
                toolfile::PrintStandardOutput(
                    "page %d layer %d: %zu lines (header: %u), %s, last layer %d, curing %s, planes%s\n", page.number,
                    page.layer, page.lines, page.header.lines, page.header.Backwards() ? "backwards" : "forwards",
                    page.header.lastLayer, page.header.curing.c_str(), planes.empty() ? " none" : planes.c_str());
            }
            if (!options.planes.empty()) {
                for (const PlaneImage& plane : page.planes) {
                    std::string path = options.planes + "-p" + std::to_string(page.number) + "-";
                    if (page.layer >= 0) path += "l" + std::to_string(page.layer) + "-";
                    if (plane.layer >= 0) path += "L" + std::to_string(plane.layer) + "-";
                    path += InkName(plane.colour) + ".png";
                    RefuseInput(path, options);
                    WritePng(path, RenderPlane(plane, width, page.lines));
                    if (!options.quiet) toolfile::PrintStandardOutput("wrote %s\n", EscapeControlBytes(path).c_str());
                }
            }
            if (index + 1 == pages.size() || pages[index + 1].number != page.number) {
                if (!options.preview.empty()) WritePreviews(&pages[pageStart], &page + 1, options);
                pageStart = index + 1;
            }
        }
        if (pages.empty()) std::fprintf(stderr, "prndump: the file holds no page\n");
    }
    if (!options.cut.empty()) {
        const std::vector<PageCutData> cuts = ExtractCutData(records);
        if (cuts.empty()) throw DecodeError("--cut: \"" + EscapeControlBytes(options.file) + "\" holds no cut data");
        for (const PageCutData& cut : cuts) {
            const std::string prefix = options.cut + "-p" + std::to_string(cut.page);
            WriteText(prefix + ".mgl", cut.mgl, options);
            WriteText(prefix + ".hpgl", cut.hpgl, options);
            if (!options.quiet) {
                const std::string shown = EscapeControlBytes(prefix);
                toolfile::PrintStandardOutput("wrote %s.mgl and %s.hpgl\n", shown.c_str(), shown.c_str());
            }
        }
    }
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    toolfile::OpenClosedStandardFiles();
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "-h" || arg == "--help") {
            return toolfile::PrintHelp("prndump", kUsage);
        } else if (arg == "--records") {
            options.recordsOnly = true;
        } else if (arg == "--layers") {
            options.layers = true;
        } else if (arg == "--rows") {
            options.rows = true;
        } else if (arg == "-q" || arg == "--quiet") {
            options.quiet = true;
        } else if (arg == "--planes" && hasValue) {
            options.planes = argv[++i];
        } else if (arg == "--cut" && hasValue) {
            options.cut = argv[++i];
        } else if (arg == "--preview" && hasValue) {
            options.preview = argv[++i];
        } else if (!arg.empty() && arg[0] != '-' && options.file.empty()) {
            options.file = arg;
        } else {
            std::fprintf(stderr, "prndump: unexpected argument \"%s\"\n%s", EscapeControlBytes(arg).c_str(), kUsage);
            return 2;
        }
    }
    if (options.file.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    int status = 1;
    try {
        toolfile::RemoveTemporariesOnSignals(true);
        status = Run(options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "prndump: %s\n", e.what());
    }
    return toolfile::FinishStandardOutput("prndump", status);
}

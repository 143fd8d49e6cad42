// A whole job through the plug-in's host interface: a fuzzed ticket text
// (keys from the dictionary of the keys the job reads) and a tiny picture,
// from OpenJob to CloseJob into a host writer that keeps nothing.
//
// Input: byte 0 picks the printer model from kModels (a family that joins
// the dispatch joins by adding its model numbers there), byte 1 the picture's
// width (1 to 64 pixels) and the page count, byte 2 its height (1 to 8
// lines); the rest is the ticket's text. The text's own "[job]" section is
// the job's ticket; the picture's size and the model are set after it. The
// target works in the repository's root, so that the examples' relative
// paths ("examples/cmyk.lin") are found.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "base/text_error.h"
#include "fuzz_support.h"
#include "host/ticket.h"
#include "platform/library_entry.h"
#include "plugin/host_interface.h"
#include "ticket_store.h"
#include "ticket_text.h"

namespace {

// One or two models of each family the dispatch serves.
constexpr int32_t kModels[] = {
    691, 700,    // JV33
    7077, 7080,  // JV34/TS34
    654, 672,    // JV3
    697, 699,    // JV4
    677, 690,    // JV5
    703, 717,    // CJV30
    728, 746,    // JV400, RICOH Pro
    7000, 7017,  // JV300
    7018, 7051,  // CJV300
    7052, 7063,  // UJF-x042
    673, 726,    // UJF-605
    7071, 7072,  // TS300P
    7073, 7075,  // Tx500, TS500
    7081, 7089,  // JFX200, JFX500
};
constexpr size_t kModelCount = sizeof(kModels) / sizeof(kModels[0]);

int NullWriter(void*, uint32_t, const uint8_t*, uint32_t) { return 0; }

const PrnInterface& Api(PLUGINCONTEXT*& context) {
    static PrnInterface* table = [] {
        std::filesystem::current_path(KELMORA_SOURCE_ROOT);
        PluginProcessAttach(nullptr);
        return GetInterface(kPrnInterfaceRequest);
    }();
    static PLUGINCONTEXT* shared = [] {
        PLUGINCONTEXT* c = nullptr;
        if (table->CreateContext(&c, "fuzz") != 0) std::abort();
        return c;
    }();
    context = shared;
    return *table;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    fuzzsupport::PreloadEpl();
    PLUGINCONTEXT* context = nullptr;
    const PrnInterface& api = Api(context);

    hostkit::TicketStore store(1);
    try {
        hostkit::ReadTicketText(std::string(reinterpret_cast<const char*>(data + 3), size - 3), store);
    } catch (const TextError&) {
        return 0;
    }
    const int32_t width = 1 + data[1] % 64;
    const int pages = 1 + (data[1] >> 6) % 2;
    const int32_t height = 1 + data[2] % 8;
    store.Set(TICKET_SCOPE_JOB, 1, "Output/Prn/Printer/Model", kModels[data[0] % kModelCount]);
    store.Set(TICKET_SCOPE_JOB, 1, "Process/OutWidthPixel", width);
    store.Set(TICKET_SCOPE_JOB, 1, "Process/OutHeightPixel", height);
    if (!store.Find(TICKET_SCOPE_JOB, 1, "Output/Prn/Linearization/BPLPath")) {
        store.Set(TICKET_SCOPE_JOB, 1, "Output/Prn/Linearization/BPLPath", std::string(KELMORA_EPL_EXAMPLE));
    }
    // The host hands over lines of the size its ticket gives: at most 16
    // bytes a pixel and bands of at most 16 lines here. A pixel's bytes are
    // "Process/Components", or the input colour mode where that is not set,
    // and the halftoner steps through a line by the input colour mode; all
    // are read as the job reads them.
    const auto jobInt = [&store](const char* key, int32_t fallback) {
        return GetTicketInt(store.ticket(), TICKET_SCOPE_JOB, 1, key, fallback);
    };
    if (jobInt("Output/Prn/Printer/InputColorMode", 4) > 16)
        store.Set(TICKET_SCOPE_JOB, 1, "Output/Prn/Printer/InputColorMode", 4);
    const int32_t components = jobInt("Process/Components", 0);
    const int32_t pixelBytes = components > 0 ? components : jobInt("Output/Prn/Printer/InputColorMode", 4);
    if (components < 0 || pixelBytes > 16) store.Set(TICKET_SCOPE_JOB, 1, "Process/Components", 4);
    const int32_t band = jobInt("Output/Input/NumOfLines", 1);
    if (band < 1 || band > 16) store.Set(TICKET_SCOPE_JOB, 1, "Output/Input/NumOfLines", 1);
    static std::vector<uint8_t> line = [] {
        std::vector<uint8_t> bytes(size_t{64} * 16 * 16 * 4);
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 29 + (i >> 7) * 13);
        return bytes;
    }();

    JobContext* job = nullptr;
    static int sink = 0;
    if (api.OpenJob(context, store.ticket(), 1, &job, &NullWriter, &sink) != 0 || !job) {
        if (job) api.CloseJob(context, job);
        return 0;
    }
    uint32_t pageInfo = 1;
    for (int page = 0; page < pages; ++page) {
        if (api.OpenPage(context, &pageInfo, nullptr, job) != 0) break;
        for (int32_t y = 0; y < height; ++y) {
            if (api.WriteLine(context, job, line.data()) != 0) break;
        }
        api.ClosePage(context, job);
    }
    api.CloseJob(context, job);
    return 0;
}

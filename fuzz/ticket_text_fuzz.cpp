// The host kit's ticket text: read, written and read again, which must give
// the same store and the same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/text_error.h"
#include "ticket_store.h"
#include "ticket_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    hostkit::TicketStore store(1);
    try {
        hostkit::ReadTicketText(text, store);
    } catch (const TextError&) {
        return 0;
    }
    std::string written;
    try {
        written = hostkit::WriteTicketText(store);
    } catch (const TextError&) {
        return 0;  // a value the text form cannot hold (a double that is not finite)
    }
    hostkit::TicketStore again(1);
    hostkit::ReadTicketText(written, again);  // throws (and so fails) for text it wrote itself
    if (!(again == store)) std::abort();
    if (hostkit::WriteTicketText(again) != written) std::abort();
    return 0;
}

#include "platform/resources.h"

#include <vector>

#include "win32_support.h"

namespace platform {

std::string LoadStringResource(uint32_t id) {
    // String ids are 16 bits wide; a larger one would alias another string.
    if (id > 0xFFFF) return std::string();
    std::vector<char> buffer(256);
    for (;;) {
        const int size = static_cast<int>(buffer.size());
        const int n = LoadStringA(win32::ThisModule(), id, buffer.data(), size);
        if (n <= 0) return std::string();
        // A text that filled the buffer may have been cut: read it again into a larger one.
        if (n < size - 1 || size >= 65536) return std::string(buffer.data(), static_cast<size_t>(n));
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace platform

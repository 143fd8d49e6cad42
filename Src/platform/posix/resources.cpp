#include "platform/resources.h"

namespace platform {

std::string LoadStringResource(uint32_t id) {
    switch (id) {
        case KELMORA_IDS_DISPLAY_NAME: return KELMORA_DISPLAY_NAME_TEXT;
        case KELMORA_IDS_SHORT_NAME: return KELMORA_SHORT_NAME_TEXT;
        default: return std::string();
    }
}

}  // namespace platform

// String resources of the plug-in module. The ids and texts are plain
// defines so that a Windows resource script can take them from here too.
#ifndef KELMORA_PLATFORM_RESOURCES_H
#define KELMORA_PLATFORM_RESOURCES_H

#define KELMORA_IDS_DISPLAY_NAME 101
#define KELMORA_IDS_SHORT_NAME 102
#define KELMORA_DISPLAY_NAME_TEXT "Kelmora wide-format printer driver"
#define KELMORA_SHORT_NAME_TEXT "Kelmora"

#ifdef __cplusplus
#include <cstdint>
#include <string>

namespace platform {

// The text of the module's string resource id; empty when it has none.
std::string LoadStringResource(uint32_t id);

}  // namespace platform
#endif

#endif  // KELMORA_PLATFORM_RESOURCES_H

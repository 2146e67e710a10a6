// Feeds arbitrary bytes to the settings file reader and the open check behind it.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "resources/Messages.h"
#include "settings/SettingsDefaults.h"
#include "settings/SettingsFileCheck.h"
#include "settings/SettingsFileFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SetMessageSilent(1);
    SettingsBlock block = qda::DefaultBlock();
    int active = 0;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (qda::ParseSettingsText(text, block, active)) {
        // What was read must survive the check and, when adopted, write and read back the same.
        if (qda::ValidateOpenedBlock(block, active)) {
            SettingsBlock again = qda::DefaultBlock();
            int activeAgain = -1;
            const std::string written = qda::WriteSettingsText(block, active);
            if (!qda::ParseSettingsText(written, again, activeAgain) || activeAgain != active ||
                qda::WriteSettingsText(again, activeAgain) != written) {
                __builtin_trap();
            }
        }
    }
    return 0;
}

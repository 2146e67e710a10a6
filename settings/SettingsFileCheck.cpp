#include "settings/SettingsFileCheck.h"

#include "resources/Messages.h"
#include "settings/Configuration.h"
#include "settings/SettingsDefaults.h"
#include "settings/Validation.h"

namespace qda {

bool ValidateOpenedBlock(SettingsBlock& block, int activeProgram) {
    return ValidatePrograms(block) && ValidateEnvironment(nullptr, block.Environment) && activeProgram >= 0 &&
           activeProgram < kProgramCount;
}

SettingsFileStatus ReadAndCheckSettingsFile(const std::string& path, SettingsBlock& block, int& activeProgram,
                                            std::string* reason) {
    SettingsBlock temp = block;
    SetEnvironmentDefaults(temp.Environment);
    for (int p = 0; p < kProgramCount; ++p) SetProgramDefaults(temp, p, kUnitMetric);
    int active = 0;
    if (!CConfiguration().Load(path, temp, active, reason)) return SettingsFileStatus::kReadFailed;

    const int wasSilent = IsMessageSilent();
    SetMessageSilent(1);
    const bool valid = ValidateOpenedBlock(temp, active);
    SetMessageSilent(wasSilent);
    if (!valid) return SettingsFileStatus::kInvalid;
    block = temp;
    activeProgram = active;
    return SettingsFileStatus::kAdopted;
}

int SettingsFileStatusMessage(SettingsFileStatus status) {
    switch (status) {
        case SettingsFileStatus::kReadFailed:
            return kMsgSettingsReadFailed;
        case SettingsFileStatus::kInvalid:
            return kMsgInvalidFileFormat;
        case SettingsFileStatus::kAdopted:
            break;
    }
    return 0;
}

}  // namespace qda

#pragma once
// Opening a settings file as the main window does: read it over defaults, then check the whole
// block quietly. Shared by the program's open command and qd-atlas-cli.
#include <string>

#include "settings/SettingsBlock.h"

namespace qda {

enum class SettingsFileStatus {
    kAdopted,  // read and valid: the block may be adopted
    kReadFailed,  // the file cannot be read: message 323 "設定ファイルの読み込みに失敗しました。"
    kInvalid,  // read, but a value is out of range: message 383 "ファイルフォーマットが不正です"
};

constexpr int kMsgSettingsReadFailed = 323;
constexpr int kMsgSettingsSaveFailed = 324;
constexpr int kMsgInvalidFileFormat = 383;

// Reads `path` into a copy of `block` whose file parts (environment and programs) are reset to
// their defaults first, and checks every program, the environment and the active program with the
// message display silent (its previous state is restored). The parts a file does not carry (PC
// communication, window settings, the PC-side head option) keep the values `block` has. Only on
// kAdopted are `block` and `activeProgram` replaced; otherwise they are unchanged.
// `reason` (optional) gets why the file could not be read (kReadFailed).
SettingsFileStatus ReadAndCheckSettingsFile(const std::string& path, SettingsBlock& block, int& activeProgram,
                                            std::string* reason = nullptr);

// The message code that reports `status` (0 for kAdopted).
int SettingsFileStatusMessage(SettingsFileStatus status);

// The whole-block check of an opened file: every program, ValidateEnvironment and an active
// program of 0..7. Shows what the checks show unless the message display is silent.
bool ValidateOpenedBlock(SettingsBlock& block, int activeProgram);

}  // namespace qda

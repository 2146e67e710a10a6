#pragma once
// Settings persistence: settings files (".qdt") and, given no file name, the registry copy of the
// block kept between runs (through the store the program attaches).
#include <string>

#include "settings/SettingsBlock.h"

namespace qda {

// The registry form of the block (the last run's settings). Implemented outside this library.
class ISettingsRegistry {
public:
    virtual ~ISettingsRegistry() = default;
    // Writes the whole block; true when every value was written.
    virtual bool SaveBlock(const SettingsBlock& block) = 0;
    // Reads the block over `block`; false only for a block that cannot be read back.
    virtual bool LoadBlock(SettingsBlock& block) = 0;
};

// The file name the save dialog's choice becomes: ".qdt" is appended unless the extension already
// is ".qdt" in any case ("a.txt" gives "a.txt.qdt", "B.QDT" stays).
std::string WithSettingsExtension(const std::string& fileName);

}  // namespace qda

class CConfiguration {
public:
    // `registry` serves Save and Load with an empty path; without one they return false.
    explicit CConfiguration(qda::ISettingsRegistry* registry = nullptr) : m_registry(registry) {}

    // Writes the environment, the 8 programs and the active program to `path`. The file is written
    // to a temporary file beside it that replaces it only when complete, so a failed save leaves
    // the old file as it was and no temporary file behind. On failure shows "ファイルが開けません。"
    // or the system's description of the error and returns false. The block is not changed.
    bool Save(const std::string& path, const SettingsBlock& block, int activeProgram) const;

    // Reads `path` over `block` (reset by the caller with SetBlockDefaults) and `activeProgram`.
    // False when the file cannot be opened or read (a read error shows the system's description)
    // or its structure is broken; the block may then be partly filled and must be discarded.
    // `reason` (optional) gets why a file could not be read.
    bool Load(const std::string& path, SettingsBlock& block, int& activeProgram,
              std::string* reason = nullptr) const;

    // Files larger than this are not settings files (a full file is about 20 KB).
    static constexpr long kMaxFileSize = 4L * 1024 * 1024;

private:
    qda::ISettingsRegistry* m_registry;
};

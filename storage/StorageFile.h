#pragma once
// The storage data file: one data slot as comma-separated text, one value per line in display
// units, with the slot's name, number of values, unit and format in the second column of the
// first four lines, so that a spreadsheet can open it and the program can read it back.
#include <string>

#include "storage/StorageData.h"
#include "storage/StorageFileParser.h"

class CStorageFile {
public:
    // Writes `slot` to `path` (CR LF line ends). The file is replaced only once everything has
    // been written and flushed; a write error is shown with the system's description. Returns 1 on
    // success, 0 when the file could not be created or written (the caller shows message 335).
    static int Write(const CStorageData& slot, const std::string& path);

    // Reads `path` into `slot`. Returns 0 (slot unchanged) when the file cannot be opened or is
    // not a storage data file; the caller shows message 336. When the number of values read
    // differs from the declared count, message 336 is shown here and the read still succeeds (1).
    // `content`, when given, receives what was read; `error`, when given, why a read failed.
    static int Read(CStorageData& slot, const std::string& path, qda::StorageFileContent* content = nullptr,
                    std::string* error = nullptr);

    // The text Write produces for `slot`.
    static std::string Format(const CStorageData& slot);
};

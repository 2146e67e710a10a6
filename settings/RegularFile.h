#pragma once
// Opening a data file for reading only when it is a regular file. A FIFO with no writer would
// block the open forever and a device such as /dev/zero would feed the reader without end, so
// anything that is not a regular file is refused at once, before a byte is read.
#include <cstdio>
#include <memory>
#include <string>

namespace qda {

using FilePtr = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

// The file at `path` opened for reading, or a null pointer with `reason` set to the text that
// explains the refusal in the current language (a system error text, or what kind of thing the
// path names instead of a file).
FilePtr OpenRegularFile(const std::string& path, std::string& reason);

}  // namespace qda

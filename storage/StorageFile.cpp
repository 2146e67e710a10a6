#include "storage/StorageFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <system_error>

#include "resources/Messages.h"
#include "settings/AtomicFileWriter.h"
#include "settings/RegularFile.h"
#include "settings/Units.h"

namespace {

constexpr int kMessageReadFailed = 336;

void ShowSystemError(int error) {
    ShowMessage(std::system_category().message(error), MB_OK | MB_ICONWARNING);
}

// The header field written after the value on line `line` (0..3).
std::string HeaderField(const CStorageData& slot, int line) {
    const qda::UnitRow& row = qda::SelectUnitRow(slot.UnitSystem(), slot.MmFormat(), slot.InchFormat());
    std::string field(",");
    switch (line) {
        case 0:
            field.append(slot.Name());
            break;
        case 1:
            field.append(std::to_string(slot.Count()));
            break;
        case 2:
            field.append(row.label);
            break;
        case 3:
            field.append("'").append(row.stepText).append("'");
            break;
        default:
            return {};
    }
    return field;
}

// Reads the file line by line into `parser`, each line without its LF or CR LF end. Returns false
// with `error` set (errno) on a read error, or false with error 0 when the parser refused a line.
bool FeedLines(std::FILE* file, qda::StorageFileParser& parser, int& error) {
    error = 0;
    std::string line;
    char buffer[8192];
    auto flush = [&]() {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // An overlong line arrives cut beyond the parser's limit, which the parser refuses.
        const bool ok = parser.AddLine(line);
        line.clear();
        return ok;
    };
    for (;;) {
        const size_t n = std::fread(buffer, 1, sizeof buffer, file);
        for (size_t i = 0; i < n; ++i) {
            if (buffer[i] == '\n') {
                if (!flush()) return false;
            } else if (line.size() <= qda::StorageFileParser::kMaxLineLength + 1) {
                line.push_back(buffer[i]);
            }
        }
        if (n < sizeof buffer) break;
    }
    if (std::ferror(file)) {
        error = errno != 0 ? errno : EIO;
        return false;
    }
    if (!line.empty()) return flush();
    return true;
}

}  // namespace

std::string CStorageFile::Format(const CStorageData& slot) {
    std::string text;
    const int lines = std::max(slot.Count(), 4);
    text.reserve(static_cast<size_t>(lines) * 16);
    for (int i = 0; i < lines; ++i) {
        if (i < slot.Count()) {
            text += FormatStored(slot.Sample(i), slot.UnitSystem(), slot.MmFormat(), slot.InchFormat());
        }
        if (i < 4) text += HeaderField(slot, i);
        text += "\r\n";
    }
    return text;
}

int CStorageFile::Write(const CStorageData& slot, const std::string& path) {
    qda::AtomicFileWriter writer(path);
    if (!writer.Open()) return 0;
    if (!writer.Write(Format(slot)) || !writer.Commit()) {
        ShowSystemError(writer.Error());
        return 0;
    }
    return 1;
}

int CStorageFile::Read(CStorageData& slot, const std::string& path, qda::StorageFileContent* content,
                       std::string* error) {
    auto setError = [&](std::string text) {
        if (error != nullptr) *error = std::move(text);
        return 0;
    };
    std::string reason;
    const qda::FilePtr file = qda::OpenRegularFile(path, reason);
    if (!file) return setError(reason);
    if (slot.Capacity() == 0 && !slot.Prepare()) return setError("out of memory");

    qda::StorageFileParser parser(slot.Scratch());
    int readError = 0;
    if (!FeedLines(file.get(), parser, readError)) {
        if (readError != 0) {
            ShowSystemError(readError);
            return setError(std::system_category().message(readError));
        }
        return setError(parser.Error());
    }
    qda::StorageFileContent result;
    if (!parser.Finish(result)) return setError(parser.Error());

    if (result.CountMismatch()) {
        ShowMessage(LoadMessage(kMessageReadFailed), MB_OK | MB_ICONWARNING);
    }
    slot.Adopt(result.name, result.unitSystem, result.mmFormat, result.inchFormat, slot.Scratch().data(),
               result.count, result.validCount);
    if (content != nullptr) *content = result;
    setError({});
    return 1;
}

#include "settings/Configuration.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "resources/Messages.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"
#include "settings/AtomicFileWriter.h"
#include "settings/RegularFile.h"
#include "settings/SettingsFileFormat.h"

namespace {

constexpr unsigned kWarning = MB_OK | MB_ICONWARNING;

void ShowSystemError(int error) {
    ShowMessage(std::strerror(error), kWarning);
}

}  // namespace

namespace qda {

std::string WithSettingsExtension(const std::string& fileName) {
    static constexpr char kExt[] = ".qdt";
    if (fileName.size() >= 4) {
        bool same = true;
        for (size_t i = 0; i < 4; ++i) {
            char c = fileName[fileName.size() - 4 + i];
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
            same = same && c == kExt[i];
        }
        if (same) return fileName;
    }
    return fileName + kExt;
}

}  // namespace qda

bool CConfiguration::Save(const std::string& path, const SettingsBlock& block, int activeProgram) const {
    if (path.empty()) return m_registry != nullptr && m_registry->SaveBlock(block);

    const std::string text = qda::WriteSettingsText(block, activeProgram);
    qda::AtomicFileWriter writer(path);
    if (!writer.Open()) {
        ShowMessage(qda::LoadResourceString(qda::kStrFileCannotOpen), kWarning);
        return false;
    }
    if (!writer.Write(text) || !writer.Commit()) {
        ShowSystemError(writer.Error());
        return false;
    }
    return true;
}

bool CConfiguration::Load(const std::string& path, SettingsBlock& block, int& activeProgram,
                          std::string* reason) const {
    if (path.empty()) return m_registry != nullptr && m_registry->LoadBlock(block);

    std::string why;
    qda::FilePtr opened = qda::OpenRegularFile(path, why);
    if (!opened) {
        if (reason) *reason = why;
        return false;
    }
    std::FILE* file = opened.release();
    std::string text;
    char buffer[4096];
    bool tooLarge = false;
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        if (text.size() + n > static_cast<size_t>(kMaxFileSize)) {
            tooLarge = true;
            break;
        }
        text.append(buffer, n);
    }
    const int error = std::ferror(file) ? errno : 0;
    std::fclose(file);
    if (error != 0) {
        if (reason) *reason = std::system_category().message(error);
        ShowSystemError(error);
        return false;
    }
    if (tooLarge) {
        if (reason) *reason = std::system_category().message(EFBIG);
        return false;
    }
    return qda::ParseSettingsText(text, block, activeProgram);
}

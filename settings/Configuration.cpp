#include "settings/Configuration.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "resources/Messages.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"
#include "settings/SettingsFileFormat.h"

namespace {

constexpr unsigned kWarning = MB_OK | MB_ICONWARNING;

void ShowSystemError(int error) {
    ShowMessage(std::strerror(error), kWarning);
}

// Writes all of `data` to `fd`; false with errno set on failure.
bool WriteAll(int fd, const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// The file the save replaces: a symbolic link is followed, so the link stays and its target is
// written.
std::string ResolveTarget(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_symlink(path, ec)) {
        const auto target = std::filesystem::weakly_canonical(path, ec);
        if (!ec) return target.string();
    }
    return path;
}

// Creates a new, unique temporary file in the folder of `target`; -1 with errno on failure.
int CreateTemporary(const std::string& target, std::string& tempPath, mode_t mode) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = target + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
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
    const std::string target = ResolveTarget(path);
    // A replaced file keeps its permissions; a new one gets the usual 0666 less the umask.
    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    // A file the user may not write stays as it is, although the folder would let it be replaced.
    if (exists && (!S_ISREG(st.st_mode) || ::access(target.c_str(), W_OK) != 0)) {
        ShowMessage(qda::LoadResourceString(qda::kStrFileCannotOpen), kWarning);
        return false;
    }
    std::string tempPath;
    const int fd = CreateTemporary(target, tempPath, 0666);
    if (fd < 0) {
        ShowMessage(qda::LoadResourceString(qda::kStrFileCannotOpen), kWarning);
        return false;
    }
    int error = 0;
    if (exists && ::fchmod(fd, st.st_mode & 07777) != 0) error = errno;
    if (error == 0 && !WriteAll(fd, text)) error = errno;
    if (error == 0 && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && ::rename(tempPath.c_str(), target.c_str()) != 0) error = errno;
    if (error != 0) {
        ::unlink(tempPath.c_str());
        ShowSystemError(error);
        return false;
    }
    return true;
}

bool CConfiguration::Load(const std::string& path, SettingsBlock& block, int& activeProgram) const {
    if (path.empty()) return m_registry != nullptr && m_registry->LoadBlock(block);

    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
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
        ShowSystemError(error);
        return false;
    }
    if (tooLarge) return false;
    return qda::ParseSettingsText(text, block, activeProgram);
}

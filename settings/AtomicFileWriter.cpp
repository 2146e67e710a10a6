#include "settings/AtomicFileWriter.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace qda {

namespace {

// The file a save replaces: a symbolic link is followed, so the link stays and its target is
// written.
std::string ResolveTarget(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_symlink(path, ec)) {
        const auto target = std::filesystem::weakly_canonical(path, ec);
        if (!ec) return target.string();
    }
    return path;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// Removes what earlier saves of `path` left beside it when they were killed on the way:
// temporary files "<name>.tmp<pid>-..." whose process is gone. Files of live processes (a save
// running at this moment) are left alone.
void RemoveLeftovers(const std::string& path) {
    const std::string folder = FolderOf(path);
    const size_t slash = path.rfind('/');
    const std::string prefix = (slash == std::string::npos ? path : path.substr(slash + 1)) + ".tmp";
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.compare(0, prefix.size(), prefix) != 0) continue;
        char* end = nullptr;
        const long pid = std::strtol(name.c_str() + prefix.size(), &end, 10);
        if (pid <= 0 || end == name.c_str() + prefix.size() || *end != '-') continue;
        if (pid == ::getpid() || ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
        ::unlinkat(::dirfd(dir), name.c_str(), 0);
    }
    ::closedir(dir);
}

}  // namespace

AtomicFileWriter::AtomicFileWriter(std::string path) : m_path(ResolveTarget(path)) {}

AtomicFileWriter::~AtomicFileWriter() {
    Discard();
}

bool AtomicFileWriter::Failed(int error) {
    if (m_error == 0) m_error = error != 0 ? error : EIO;
    Discard();
    return false;
}

void AtomicFileWriter::Discard() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_committed && !m_tempPath.empty()) {
        ::unlink(m_tempPath.c_str());
        m_tempPath.clear();
    }
}

bool AtomicFileWriter::Open() {
    if (m_fd >= 0 || m_committed) return Failed(EINVAL);
    if (m_path.empty()) return Failed(ENOENT);
    // A replaced file keeps its permissions; a new one gets the usual 0666 less the umask.
    struct stat st {};
    const bool exists = ::stat(m_path.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) return Failed(EISDIR);
    if (exists && ::access(m_path.c_str(), W_OK) != 0) return Failed(EACCES);
    m_exists = exists;
    m_mode = st.st_mode & 07777;
    RemoveLeftovers(m_path);
    // First choice: an unnamed file in the target's folder, linked into place only at Commit, so
    // that a save killed on the way leaves nothing behind. Mode 0666 lets the umask decide, as
    // for any newly created file.
    const std::string folder = FolderOf(m_path);
    const int unnamed = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (unnamed >= 0) {
        m_fd = unnamed;
        if (exists && ::fchmod(unnamed, m_mode) != 0) return Failed(errno);
        return true;
    }
    // The file system has no unnamed files: a named one beside the target.
    return CreateNamed();
}

bool AtomicFileWriter::CreateNamed() {
    static std::atomic<unsigned> counter{0};
    // A name of our own in the target's folder (so the rename stays within one file system);
    // O_EXCL never reuses a file someone else left there.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate =
            m_path + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1));
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            m_fd = fd;
            m_tempPath = candidate;
            if (m_exists && ::fchmod(fd, m_mode) != 0) return Failed(errno);
            return true;
        }
        if (errno != EEXIST) return Failed(errno);
    }
    return Failed(EEXIST);
}

// Gives the unnamed file a name beside the target, for the rename that puts it in place. Only
// the moment between this link and the rename can leave a file behind.
bool AtomicFileWriter::LinkUnnamed() {
    static std::atomic<unsigned> counter{0};
    const std::string self = "/proc/self/fd/" + std::to_string(m_fd);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate =
            m_path + ".tmp" + std::to_string(::getpid()) + "-l" + std::to_string(counter.fetch_add(1));
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            m_tempPath = candidate;
            return true;
        }
        if (errno != EEXIST) return Failed(errno);
    }
    return Failed(EEXIST);
}

bool AtomicFileWriter::Write(std::string_view bytes) {
    if (m_fd < 0) return Failed(EBADF);
    while (!bytes.empty()) {
        const ssize_t n = ::write(m_fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return Failed(errno);
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

bool AtomicFileWriter::Commit() {
    if (m_fd < 0) return Failed(EBADF);
    if (::fsync(m_fd) != 0) return Failed(errno);
    if (m_tempPath.empty() && !LinkUnnamed()) return false;
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) return Failed(errno);
    if (::rename(m_tempPath.c_str(), m_path.c_str()) != 0) return Failed(errno);
    m_committed = true;
    m_tempPath.clear();
    return true;
}

std::string AtomicFileWriter::ErrorText() const {
    return std::system_category().message(m_error);
}

}  // namespace qda

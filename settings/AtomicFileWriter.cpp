#include "settings/AtomicFileWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
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
    static std::atomic<unsigned> counter{0};
    // A name of our own in the target's folder (so the rename stays within one file system);
    // O_EXCL never reuses a file someone else left there. Mode 0666 lets the umask decide, as for
    // any newly created file.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate =
            m_path + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1));
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            m_fd = fd;
            m_tempPath = candidate;
            if (exists && ::fchmod(fd, st.st_mode & 07777) != 0) return Failed(errno);
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

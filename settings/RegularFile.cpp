#include "settings/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "resources/StringIds.h"
#include "resources/StringTable.h"

namespace qda {

namespace {
int NotRegularText(mode_t mode) {
    if (S_ISFIFO(mode) || S_ISSOCK(mode)) return kStrFileIsPipe;
    if (S_ISCHR(mode) || S_ISBLK(mode)) return kStrFileIsDevice;
    if (S_ISDIR(mode)) return kStrFileIsDirectory;
    return kStrFileIsNotRegular;
}
}  // namespace

FilePtr OpenRegularFile(const std::string& path, std::string& reason) {
    FilePtr none(nullptr, &std::fclose);
    // O_NONBLOCK: opening a FIFO that nobody writes returns at once instead of waiting.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        reason = std::system_category().message(errno);
        return none;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        reason = std::system_category().message(errno);
        ::close(fd);
        return none;
    }
    if (!S_ISREG(st.st_mode)) {
        reason = LoadResourceString(NotRegularText(st.st_mode));
        ::close(fd);
        return none;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* file = ::fdopen(fd, "rb");
    if (file == nullptr) {
        reason = std::system_category().message(errno);
        ::close(fd);
        return none;
    }
    reason.clear();
    return FilePtr(file, &std::fclose);
}

}  // namespace qda

#include "comm/LinkFailure.h"

#include <dirent.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <system_error>

#include "resources/StringIds.h"
#include "resources/StringTable.h"

namespace qda {

namespace {

// Fills the "%s" of a resource text in order, without handing the text to printf.
std::string Fill(int id, std::initializer_list<std::string> args) {
    const std::string format = LoadResourceString(id);
    std::string out;
    auto next = args.begin();
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == 's' && next != args.end()) {
            out += *next++;
            ++i;
        } else {
            out += format[i];
        }
    }
    return out;
}

std::string GroupOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    if (const group* g = ::getgrgid(st.st_gid)) return g->gr_name;
    return std::to_string(st.st_gid);
}

// "name (pid N)" of a process other than this one with the device open, or "".
std::string HolderOf(const std::string& path) {
    struct stat device {};
    if (::stat(path.c_str(), &device) != 0 || !S_ISCHR(device.st_mode)) return {};
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr) return {};
    std::string holder;
    const std::string self = std::to_string(::getpid());
    while (holder.empty()) {
        const dirent* entry = ::readdir(proc);
        if (entry == nullptr) break;
        const std::string pid = entry->d_name;
        if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos || pid == self) continue;
        const std::string fdDir = "/proc/" + pid + "/fd";
        DIR* fds = ::opendir(fdDir.c_str());
        if (fds == nullptr) continue;  // another user's process: /proc does not tell
        while (const dirent* fd = ::readdir(fds)) {
            if (fd->d_name[0] == '.') continue;
            struct stat st {};
            if (::stat((fdDir + "/" + fd->d_name).c_str(), &st) == 0 && S_ISCHR(st.st_mode) &&
                st.st_rdev == device.st_rdev) {
                std::ifstream comm("/proc/" + pid + "/comm");
                std::string name;
                std::getline(comm, name);
                holder = (name.empty() ? std::string("?") : name) + " (pid " + pid + ")";
                break;
            }
        }
        ::closedir(fds);
    }
    ::closedir(proc);
    return holder;
}

}  // namespace

LinkFailure DescribeSerialFailure(const std::string& path, int error) {
    LinkFailure f;
    f.path = path;
    f.error = error;
    switch (error) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
            f.kind = LinkFailureKind::kNoSuchDevice;
            break;
        case EACCES:
        case EPERM:
            f.kind = LinkFailureKind::kPermission;
            f.detail = GroupOf(path);
            break;
        case EBUSY:
        case EWOULDBLOCK:
            f.kind = LinkFailureKind::kInUse;
            f.detail = HolderOf(path);
            break;
        case ENOTTY:
            f.kind = LinkFailureKind::kNotTty;
            break;
        default:
            f.kind = LinkFailureKind::kOther;
            break;
    }
    return f;
}

LinkFailure DescribeUsbFailure(int error, const std::string& socketPaths) {
    LinkFailure f;
    f.error = error;
    switch (error) {
        case ENOENT:
        case ECONNREFUSED:
        case ENOTSOCK:
            f.kind = LinkFailureKind::kUsbNoHost;
            f.detail = socketPaths;
            break;
        case EACCES:
        case EPERM:
            f.kind = LinkFailureKind::kUsbAccessRefused;
            break;
        case ENODEV:
            f.kind = LinkFailureKind::kUsbNoDevice;
            break;
        case EBUSY:
            f.kind = LinkFailureKind::kUsbInUse;
            break;
        case ETIMEDOUT:
            f.kind = LinkFailureKind::kUsbNoAnswer;
            break;
        default:
            f.kind = LinkFailureKind::kUsbOther;
            break;
    }
    return f;
}

std::string LinkFailureText(const LinkFailure& f) {
    const std::string system = f.error != 0 ? std::system_category().message(f.error) : std::string();
    switch (f.kind) {
        case LinkFailureKind::kNone:
            return {};
        case LinkFailureKind::kNoSuchDevice:
            return Fill(kStrPortNoSuchDevice, {f.path});
        case LinkFailureKind::kPermission:
            if (f.detail.empty() || f.detail == "root") return Fill(kStrPortPermission, {f.path});
            return Fill(kStrPortPermissionGroup, {f.path, f.detail, f.detail});
        case LinkFailureKind::kInUse:
            if (f.detail.empty()) return Fill(kStrPortInUse, {f.path});
            return Fill(kStrPortInUseBy, {f.path, f.detail});
        case LinkFailureKind::kNotTty:
            return Fill(kStrPortNotTty, {f.path});
        case LinkFailureKind::kOther:
            return Fill(kStrPortOtherError, {f.path, system});
        case LinkFailureKind::kUsbNoHost:
            return Fill(kStrUsbNoHost, {f.detail});
        case LinkFailureKind::kUsbAccessRefused:
            return LoadResourceString(kStrUsbAccessRefused);
        case LinkFailureKind::kUsbNoDevice:
            return LoadResourceString(kStrUsbNoDevice);
        case LinkFailureKind::kUsbInUse:
            return LoadResourceString(kStrControllerInUse);
        case LinkFailureKind::kUsbNoAnswer:
            return LoadResourceString(kStrUsbNoAnswer);
        case LinkFailureKind::kUsbOther:
            return Fill(kStrUsbOtherError, {system});
    }
    return {};
}

}  // namespace qda

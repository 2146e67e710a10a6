#include "storage/GraphHeadRules.h"

#include <cstring>

namespace qda {

namespace {
// Qt key codes, kept numeric so that this library needs no Qt header.
constexpr int kKeyTab = 0x01000001, kKeyBacktab = 0x01000002;
constexpr int kKeyLeft = 0x01000012, kKeyUp = 0x01000013, kKeyRight = 0x01000014, kKeyDown = 0x01000015;
constexpr int kKey0 = 0x30, kKey8 = 0x38;
constexpr int kKeyC = 0x43, kKeyO = 0x4f, kKeyS = 0x53, kKeyV = 0x56;
constexpr int kKeyF3 = 0x01000032, kKeyF8 = 0x01000037;

bool IsArrow(int key) {
    return key == kKeyLeft || key == kKeyUp || key == kKeyRight || key == kKeyDown;
}
bool IsTab(int key) {
    return key == kKeyTab || key == kKeyBacktab;
}
}  // namespace

std::string DefaultGraphName(int slot) {
    if (slot < 0 || slot >= kStorageGraphCount) return {};
    return "Graph0" + std::to_string(slot + 1);
}

StorageGraphSetting PreparedGraphRecord(const StorageGraphSetting& record, int slot) {
    StorageGraphSetting r = record;
    r.IsEnable = 1;
    r.Offset = 0;
    SetGraphName(r, DefaultGraphName(slot));
    return r;
}

void SetGraphName(StorageGraphSetting& record, std::string_view name) {
    std::memset(record.GraphName, 0, sizeof record.GraphName);
    const size_t n = name.size() < static_cast<size_t>(kGraphNameMaxChars) ? name.size() : kGraphNameMaxChars;
    std::memcpy(record.GraphName, name.data(), n);
}

std::string GraphNameOf(const StorageGraphSetting& record) {
    return std::string(record.GraphName, strnlen(record.GraphName, sizeof record.GraphName));
}

bool IsGraphNameAllowed(std::string_view name) {
    return name.find_first_of(",.") == std::string_view::npos;
}

bool IsStorageWindowKey(int key, bool ctrl, bool alt, bool shift, bool keyDown) {
    if (!keyDown) return (ctrl && !alt && (IsTab(key) || IsArrow(key))) || (alt && !ctrl && IsArrow(key));
    if (ctrl && !alt) return IsTab(key) || IsArrow(key) || key == kKeyO || key == kKeyS;
    if (alt && !ctrl) {
        return IsArrow(key) || (key >= kKey0 && key <= kKey8) || key == kKeyC || key == kKeyV;
    }
    if (shift && !ctrl && !alt) return key == kKeyLeft || key == kKeyRight;
    if (!shift && !ctrl && !alt) return key >= kKeyF3 && key <= kKeyF8;
    return false;
}

}  // namespace qda

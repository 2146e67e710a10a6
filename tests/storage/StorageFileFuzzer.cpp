// Feeds arbitrary bytes through the storage data file reader, split into lines as a file is.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "storage/StorageFileParser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::vector<int32_t> scratch(65536);
    std::string_view text(reinterpret_cast<const char*>(data), size);
    qda::StorageFileParser parser(scratch);
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!parser.AddLine(line)) return 0;
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    qda::StorageFileContent content;
    if (parser.Finish(content)) {
        // What a slot would adopt must lie within the scratch array.
        if (content.count < 0 || content.count > static_cast<int>(scratch.size())) __builtin_trap();
        if (content.validCount < 0 || content.validCount > content.count) __builtin_trap();
    }
    return 0;
}

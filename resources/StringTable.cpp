#include "resources/StringTable.h"

#include <map>
#include <mutex>
#include <unordered_map>

namespace qda {
namespace {

constexpr const char* kBuiltInLanguage = "jp";

// One table indexed for lookup by identifier.
struct IndexedTable {
    std::unordered_map<int, const char*> byId;
};

IndexedTable Index(std::span<const StringResource> strings) {
    IndexedTable table;
    for (const StringResource& s : strings) table.byId.emplace(s.id, s.text);
    return table;
}

struct LanguageState {
    LanguageState() : currentTable(&(tables[kBuiltInLanguage] = Index(JapaneseStrings()))) {}
    std::mutex lock;
    std::map<std::string, IndexedTable> tables;  // node-based: pointers to entries stay valid
    std::string current = kBuiltInLanguage;
    const IndexedTable* currentTable;
};

// Built on first use so that the order of static initialisation never matters.
LanguageState& State() {
    static LanguageState state;
    return state;
}

}  // namespace

bool RegisterLanguageStrings(const std::string& language, std::span<const StringResource> strings) {
    if (language.empty() || language == kBuiltInLanguage) return false;
    LanguageState& state = State();
    std::lock_guard guard(state.lock);
    IndexedTable& slot = state.tables[language];
    slot = Index(strings);
    return true;
}

bool SelectLanguage(const std::string& language) {
    LanguageState& state = State();
    std::lock_guard guard(state.lock);
    auto it = state.tables.find(language);
    if (it == state.tables.end()) return false;
    state.current = language;
    state.currentTable = &it->second;
    return true;
}

std::string CurrentLanguage() {
    LanguageState& state = State();
    std::lock_guard guard(state.lock);
    return state.current;
}

std::string LoadResourceString(int id) {
    LanguageState& state = State();
    std::lock_guard guard(state.lock);
    auto it = state.currentTable->byId.find(id);
    return it == state.currentTable->byId.end() ? std::string() : std::string(it->second);
}

}  // namespace qda

#include "resources/lang/LanguageModule.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QLibraryInfo>
#include <QTranslator>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "resources/StringTable.h"
#include "resources/lang/LanguageChoice.h"
#include "resources/lang/LanguageTables.h"
#include "resources/lang/UiText.h"

namespace qda {
namespace {

// The texts handed to RegisterLanguageStrings, which keeps pointers into them for the rest of the run.
struct RegisteredTable {
    std::vector<std::string> texts;
    std::vector<StringResource> entries;
};

struct ModuleState {
    std::mutex lock;  // one load at a time
    std::unique_ptr<QLibrary> library;
    std::string language;
    // Qt's own texts (standard buttons of message boxes and file dialogs) in the same language.
    std::unique_ptr<QTranslator> qtTexts;
    // The registered table of each language; replaced only after the string table has switched to
    // the new one (readers copy under the string table's lock, so none still reads the old texts).
    std::map<std::string, std::unique_ptr<RegisteredTable>> tables;
};

// Never destroyed: a language module object of the program may release the module from its own
// static destructor, which can run after this function's statics would have gone.
ModuleState& State() {
    static ModuleState* state = new ModuleState;
    return *state;
}

bool Fail(std::string* error, std::string text) {
    if (error) *error = std::move(text);
    return false;
}

// Reads resource `path` whole, bounded; false when it is missing or too large.
bool ReadResource(const QString& path, std::string& out) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    if (file.size() > static_cast<qint64>(kMaxLanguageTableBytes)) return false;
    const QByteArray data = file.read(static_cast<qint64>(kMaxLanguageTableBytes) + 1);
    if (data.size() > static_cast<qsizetype>(kMaxLanguageTableBytes)) return false;
    out.assign(data.constData(), static_cast<std::size_t>(data.size()));
    return true;
}

// The string table of a language in the identifiers of the built-in set: the module's text where it
// has a usable one, the Japanese text otherwise.
std::unique_ptr<RegisteredTable> BuildTable(const std::vector<TranslatedString>& strings) {
    std::unordered_map<int, const TranslatedString*> byId;
    for (const TranslatedString& s : strings) byId.emplace(s.id, &s);
    auto table = std::make_unique<RegisteredTable>();
    const std::span<const StringResource> japanese = JapaneseStrings();
    table->texts.reserve(japanese.size());
    for (const StringResource& jp : japanese) {
        const auto it = byId.find(jp.id);
        const bool usable =
            it != byId.end() && !it->second->text.empty() && SamePlaceholders(jp.text, it->second->text);
        table->texts.push_back(usable ? it->second->text : std::string(jp.text));
    }
    // Pointers are taken only once every text is in place, so no later growth moves them.
    table->entries.reserve(japanese.size());
    for (std::size_t i = 0; i < japanese.size(); ++i)
        table->entries.push_back({japanese[i].id, table->texts[i].c_str()});
    return table;
}

// Installs Qt's translation of its own texts for `lang` when Qt's translations are installed and
// the application object exists; otherwise Qt's texts stay as they are (English).
void InstallQtTranslation(ModuleState& state, const std::string& lang) {
    if (state.qtTexts) {
        QCoreApplication::removeTranslator(state.qtTexts.get());
        state.qtTexts.reset();
    }
    if (lang.empty() || !QCoreApplication::instance()) return;
    const QString locale = lang == "jp"   ? QStringLiteral("ja")
                           : lang == "de" ? QStringLiteral("de")
                                          : QStringLiteral("en");
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral("qtbase_") + locale,
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return;
    if (QCoreApplication::installTranslator(translator.get())) state.qtTexts = std::move(translator);
}

}  // namespace

std::string LanguageModulePath(const std::string& lang, const std::string& dir) {
    const std::string file = "QD-Atlas.Lang." + lang + ".so";
    if (dir.empty()) return file;
    return dir.back() == '/' ? dir + file : dir + "/" + file;
}

std::string LanguageModuleDir(const std::string& programDir) {
    const QDir bin(QString::fromStdString(programDir));
    const QString installed = bin.filePath(QStringLiteral("../" QDA_INSTALL_LIBDIR "/qd-atlas"));
    if (QFileInfo(QDir(installed).filePath(QStringLiteral("QD-Atlas.Lang.us.so"))).isFile()) {
        return QDir::cleanPath(installed).toStdString();
    }
    return QDir::cleanPath(bin.filePath(QStringLiteral("../lib"))).toStdString();
}

bool LoadLanguageModule(const std::string& lang, const std::string& dir, std::string* error) {
    if (LanguageIndex(lang) == 0) return Fail(error, "unknown language \"" + lang + "\"");
    ModuleState& state = State();
    std::lock_guard guard(state.lock);

    const std::string path = LanguageModulePath(lang, dir);
    auto library = std::make_unique<QLibrary>(QString::fromStdString(path));
    if (!library->load()) return Fail(error, library->errorString().toStdString());

    const QString prefix = QStringLiteral(":/qda-lang/%1/").arg(QString::fromStdString(lang));
    std::string data;
    std::vector<TranslatedString> strings;
    std::vector<TranslatedUiText> uiTexts;
    std::string reason;
    if (!ReadResource(prefix + "strings.tsv", data)) {
        library->unload();
        return Fail(error, path + ": no string table of language " + lang);
    }
    if (!ParseStringTable(data, strings, reason)) {
        library->unload();
        return Fail(error, path + ": strings.tsv " + reason);
    }
    // Japanese needs no dialog texts: the widgets carry them.
    if (lang != "jp" && (!ReadResource(prefix + "ui.tsv", data) || !ParseUiTable(data, uiTexts, reason))) {
        library->unload();
        return Fail(error, path + ": ui.tsv " + (reason.empty() ? std::string("missing") : reason));
    }

    if (lang != "jp") {
        auto table = BuildTable(strings);
        RegisterLanguageStrings(lang, table->entries);
        state.tables[lang] = std::move(table);
    }
    SelectLanguage(lang);
    SetUiTexts(uiTexts);
    InstallQtTranslation(state, lang);

    // The texts are copies, so the previous module can go now (its resources with it).
    if (state.library) state.library->unload();
    state.library = std::move(library);
    state.language = lang;
    return true;
}

void UnloadLanguageModule() {
    ModuleState& state = State();
    std::lock_guard guard(state.lock);
    SelectLanguage("jp");
    SetUiTexts({});
    InstallQtTranslation(state, std::string());
    if (state.library) state.library->unload();
    state.library.reset();
    state.language.clear();
}

std::string LoadedLanguageModule() {
    ModuleState& state = State();
    std::lock_guard guard(state.lock);
    return state.language;
}

}  // namespace qda

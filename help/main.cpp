// qda-help-build: makes the user guide's PDFs from the text sources, with pictures rendered from
// the program itself.
//   qda-help-build --src help/src --lib-dir <build>/lib --out <build>/share/qd-atlas/help
// writes <out>/{JP,US,DE}/<document>.pdf. Exit 1 when a source cannot be read or a document
// cannot be written; a picture the program cannot render yet is reported and left out.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <cstdio>
#include <map>
#include <string>

#include "app/MainWindowDialogs.h"
#include "app/TR52Dlg.h"
#include "help/HelpDocuments.h"
#include "help/HelpMarkup.h"
#include "help/HelpPdf.h"
#include "help/HelpPictures.h"
#include "resources/ConsoleMessageBackend.h"
#include "resources/StringTable.h"
#include "resources/lang/LanguageModule.h"
#include "resources/lang/UiText.h"

namespace {

// The real dialogs, except that the start-up choice is left with Esc and the splash is not shown.
class QuietStartDialogs : public qda::CMainWindowDialogs {
public:
    int ChooseStartup(QWidget*) override { return -1; }
    void ShowSplash(QWidget*, const QString&, int) override {}
};

QString Option(const QStringList& args, const QString& name) {
    const int i = args.indexOf(name);
    return i >= 0 && i + 1 < args.size() ? args[i + 1] : QString();
}

// The program's text a help source refers to, in the loaded language: {string N} (a string of
// the table), {ui TEXT} (a dialog text, without its access key marker).
std::string ResolveReference(const std::string& kind, const std::string& argument) {
    if (kind == "string") {
        if (argument.empty() || argument.size() > 6 ||
            argument.find_first_not_of("0123456789") != std::string::npos)
            return {};
        return qda::LoadResourceString(std::stoi(argument));
    }
    QString japanese = QString::fromStdString(argument);
    japanese.replace(QStringLiteral("\\n"), QStringLiteral("\n"))
        .replace(QStringLiteral("\\t"), QStringLiteral("\t"));
    QString text = qda::UiText(japanese);
    // Outside Japanese a text the language module does not translate would show Japanese.
    if (qda::LoadedLanguageModule() != "jp" && text == japanese) return {};
    text.remove(QRegularExpression(QStringLiteral("\\(&.\\)")));  // "開く(&L)"
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    // A menu item's key after its tab: "Receive settings from controller (F4)".
    if (const int tab = text.indexOf(QLatin1Char('\t')); tab >= 0)
        text = text.left(tab) + QStringLiteral(" (") + text.mid(tab + 1) + QLatin1Char(')');
    return text.toStdString();
}

// Builds the six documents of one language; false on the first document that fails.
bool BuildLanguage(const qda::help::HelpLanguage& lang, const QString& src, const QString& out) {
    QuietStartDialogs dialogs;
    CTR52Dlg::Options options;
    options.dialogs = &dialogs;
    options.languageIndex = lang.index;
    options.versionText = QStringLiteral("1.00");
    CTR52Dlg main(options);
    main.show();
    QApplication::processEvents();

    QMap<QString, QImage> rendered;  // by picture name, rendered once per language
    const QString folder = QDir(out).filePath(QString::fromLatin1(lang.folder));
    QDir().mkpath(folder);
    bool ok = true;
    for (const char* document : qda::help::kHelpDocuments) {
        const QString name = QString::fromLatin1(document);
        const QString source = QDir(src).filePath(QString::fromLatin1(lang.module) + QLatin1Char('/') +
                                                  QString(name).replace(".pdf", ".txt"));
        QFile file(source);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "qda-help-build: cannot read %s\n", qPrintable(source));
            ok = false;
            continue;
        }
        std::vector<std::string> problems;
        const std::string text =
            qda::help::ExpandReferences(file.readAll().toStdString(), ResolveReference, &problems);
        qda::help::HelpDocument doc = qda::help::ParseHelpSource(text);
        doc.problems.insert(doc.problems.begin(), problems.begin(), problems.end());
        for (const std::string& problem : doc.problems)
            std::fprintf(stderr, "%s: %s\n", qPrintable(source), problem.c_str());
        if (!doc.problems.empty()) {
            ok = false;
            continue;
        }
        QMap<QString, QImage> pictures;
        for (const std::string& picture : qda::help::PicturesOf(doc)) {
            const QString key = QString::fromStdString(picture);
            if (!rendered.contains(key)) rendered.insert(key, qda::help::RenderPicture(key, main));
            if (rendered[key].isNull()) {
                std::fprintf(stderr, "%s: picture \"%s\" is not rendered by the program yet; left out\n",
                             qPrintable(source), picture.c_str());
                continue;
            }
            pictures.insert(QStringLiteral("picture:") + key, rendered[key]);
        }
        const std::string html = qda::help::HelpHtml(doc, [&pictures](const std::string& picture) {
            const QString url = QStringLiteral("picture:") + QString::fromStdString(picture);
            if (!pictures.contains(url)) return qda::help::PictureRef{};
            return qda::help::PictureRef{url.toStdString(), qda::help::PictureWidth(pictures[url])};
        });
        const QString path = QDir(folder).filePath(name);
        if (!qda::help::WriteHelpPdf(QString::fromStdString(html), pictures,
                                     QString::fromStdString(doc.title), path)) {
            std::fprintf(stderr, "qda-help-build: cannot write %s\n", qPrintable(path));
            ok = false;
        }
    }
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Pictures at twice the pixels, so that they stay sharp when the document is zoomed or printed.
    if (qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR")) qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    const QString src = Option(args, QStringLiteral("--src"));
    const QString libDir = Option(args, QStringLiteral("--lib-dir"));
    const QString out = Option(args, QStringLiteral("--out"));
    if (src.isEmpty() || out.isEmpty()) {
        std::fprintf(stderr, "usage: qda-help-build --src DIR --lib-dir DIR --out DIR\n");
        return 2;
    }
    qda::ConsoleMessageBackend messages;
    qda::SetMessageBackend(&messages);
    bool ok = true;
    for (const qda::help::HelpLanguage& lang : qda::help::kHelpLanguages) {
        std::string error;
        if (!qda::LoadLanguageModule(lang.module, libDir.toStdString(), &error)) {
            std::fprintf(stderr, "qda-help-build: language module %s: %s\n", lang.module, error.c_str());
            ok = false;
            continue;
        }
        ok = BuildLanguage(lang, src, out) && ok;
    }
    qda::UnloadLanguageModule();
    qda::SetMessageBackend(nullptr);
    return ok ? 0 : 1;
}

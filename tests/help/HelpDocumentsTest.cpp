// The eighteen help documents the build writes: each is there, is a whole PDF, and its text
// carries the title of the window it is about, in its language.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QString>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "app/TR52App.h"
#include "help/HelpDocuments.h"

namespace {

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The text of a PDF as pdftotext reads it (layout-free, UTF-8).
std::string PdfText(const std::string& path) {
    std::string text;
    const std::string command =
        std::string("'") + QDA_PDFTOTEXT + "' -enc UTF-8 '" + path + "' - 2>/dev/null";
    if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
        char buf[4096];
        for (size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) text.append(buf, n);
        ::pclose(pipe);
    }
    return text;
}

// The window each document is about, as its title reads in each language (jp, us, de).
const std::array<std::array<const char*, 3>, 6> kWindowTitles = {{
    {"QD-Atlas", "QD-Atlas", "QD-Atlas"},
    {"受光波形表示", "Waveform", "Wellenform"},
    {"測定値表示", "Measured values", "Messwerte"},
    {"データストレージ", "Data storage", "Datenspeicher"},
    {"環境設定", "Environment settings", "Umgebungseinstellungen"},
    {"ROVAチューニング", "ROVA tuning", "ROVA-Abstimmung"},
}};

}  // namespace

TEST(HelpDocuments, AllEighteenAreWholePdfsWithTheirWindowsTitle) {
    const bool canRead = QDA_PDFTOTEXT[0] != '\0' && std::filesystem::exists(QDA_PDFTOTEXT);
    for (size_t l = 0; l < 3; ++l) {
        const qda::help::HelpLanguage& lang = qda::help::kHelpLanguages[l];
        for (size_t d = 0; d < 6; ++d) {
            const std::string path =
                std::string(QDA_HELP_DIR) + "/" + lang.folder + "/" + qda::help::kHelpDocuments[d];
            SCOPED_TRACE(path);
            const std::string bytes = Slurp(path);
            ASSERT_GT(bytes.size(), 1000u) << "missing or empty";
            EXPECT_EQ(bytes.rfind("%PDF-1.", 0), 0u);
            EXPECT_NE(bytes.find("%%EOF", bytes.size() - 32), std::string::npos) << "not a whole PDF";
            if (!canRead) continue;
            // Compatibility-folded (NFKC): the CJK font draws 示 and the radical ⽰ with one glyph,
            // and the PDF names such a glyph by the radical; viewers fold the same way when searching.
            const std::string text =
                QString::fromStdString(PdfText(path)).normalized(QString::NormalizationForm_KC).toStdString();
            EXPECT_NE(text.find(kWindowTitles[d][l]), std::string::npos) << text.substr(0, 400);
        }
    }
    if (!canRead) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed: the titles were not read";
}

TEST(HelpDocuments, TheProgramBuiltBesideThemLooksWhereTheyAre) {
    // The program and this test are both built into <build>/bin, so they find the same folder.
    int argc = 1;
    char name[] = "help_documents_test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    EXPECT_EQ(QDir(CTR52App::HelpRoot()).canonicalPath(), QDir(QStringLiteral(QDA_HELP_DIR)).canonicalPath());
}

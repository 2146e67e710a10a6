// The help sources' form: what each line kind becomes, bad lines reported, and text that can
// never reach the document as markup.
#include <gtest/gtest.h>

#include "help/HelpMarkup.h"

using namespace qda::help;

TEST(HelpMarkup, LineKindsBecomeTheirBlocks) {
    const HelpDocument doc = ParseHelpSource(
        "# a note for the writers\n"
        "= Main window\n"
        "== Receiving\n"
        "The first line\n"
        "and its continuation.\n"
        "\n"
        "A second paragraph.\n"
        "1. Press **F4**.\n"
        "2. Confirm.\n"
        "- one\n"
        "- two\n"
        "Open (&L) :: opens a settings file\n"
        "Save (&S) :: saves it\n"
        "@picture main-head The main window\n"
        "=== Details\n");
    EXPECT_TRUE(doc.problems.empty()) << doc.problems.front();
    EXPECT_EQ(doc.title, "Main window");
    ASSERT_EQ(doc.blocks.size(), 8u);
    struct Expected {
        HelpBlock::Kind kind;
        std::vector<std::string> items;
    } expected[] = {
        {HelpBlock::kHeading, {"Receiving"}},
        {HelpBlock::kParagraph, {"The first line and its continuation."}},
        {HelpBlock::kParagraph, {"A second paragraph."}},
        {HelpBlock::kSteps, {"Press **F4**.", "Confirm."}},
        {HelpBlock::kBullets, {"one", "two"}},
        {HelpBlock::kTable, {"Open (&L)", "opens a settings file", "Save (&S)", "saves it"}},
        {HelpBlock::kPicture, {"The main window"}},
        {HelpBlock::kSubheading, {"Details"}},
    };
    for (size_t i = 0; i < doc.blocks.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(doc.blocks[i].kind, expected[i].kind);
        EXPECT_EQ(doc.blocks[i].items, expected[i].items);
    }
    EXPECT_EQ(doc.blocks[6].picture, "main-head");
    EXPECT_EQ(PicturesOf(doc), std::vector<std::string>{"main-head"});
}

TEST(HelpMarkup, LinesThatBreakTheFormAreReportedWithTheirNumber) {
    const struct {
        const char* text;
        const char* problem;
    } cases[] = {
        {"no title here\n", "line 1: the document has no title"},
        {"= One\n= Two\n", "line 2: a second title"},
        {"= T\n@picture\n", "line 2: a picture needs a name"},
        {"= T\n@picture Main_Window caption\n", "line 2: a picture needs a name"},
        {"= T\n :: text without a term\n", ""},  // trimmed: a paragraph " :: ..." has no term
        {"= T\n==  \n", "line 2: a heading without text"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const HelpDocument doc = ParseHelpSource(c.text);
        if (c.problem[0] == '\0') continue;
        ASSERT_FALSE(doc.problems.empty());
        EXPECT_EQ(doc.problems.front().rfind(c.problem, 0), 0u) << doc.problems.front();
    }
}

TEST(HelpMarkup, TextNeverBecomesMarkupAndMissingPicturesAreLeftOut) {
    const HelpDocument doc = ParseHelpSource(
        "= <script>&\"x\"\n"
        "A <b>tag</b> & **bold <i>** and an unpaired ** stays.\n"
        "@picture calc-window The measured value window\n"
        "@picture main-head The \"main\" window\n");
    ASSERT_TRUE(doc.problems.empty());
    const std::string html = HelpHtml(doc, [](const std::string& name) {
        return name == "main-head" ? PictureRef{"picture:main-head", 600} : PictureRef{};
    });
    EXPECT_NE(html.find("<h1>&lt;script&gt;&amp;&quot;x&quot;</h1>"), std::string::npos) << html;
    EXPECT_NE(html.find("A &lt;b&gt;tag&lt;/b&gt; &amp; <b>bold &lt;i&gt;</b> and an unpaired ** stays."),
              std::string::npos)
        << html;
    EXPECT_EQ(html.find("measured value window"), std::string::npos)
        << "a picture not rendered takes its caption";
    EXPECT_NE(
        html.find("<img src=\"picture:main-head\" width=\"600\"><br><i>The &quot;main&quot; window</i>"),
        std::string::npos)
        << html;
    EXPECT_EQ(html.find("<script>"), std::string::npos);
}

TEST(HelpMarkup, ReferencesBecomeTheProgramsTextsAndUnknownOnesAreReported) {
    const ReferenceResolver resolve = [](const std::string& kind, const std::string& arg) -> std::string {
        if (kind == "string" && arg == "40318") return "The settings have\nbeen received.";
        if (kind == "ui" && arg == "開く") return "Open";
        return "";
    };
    const struct {
        const char* text;
        const char* expanded;
        const char* problem;  // "" = none
    } cases[] = {
        {"Shows \"{string 40318}\"\n", "Shows \"The settings have been received.\"\n", ""},
        {"Press {ui 開く} and {ui 開く}.", "Press Open and Open.", ""},
        {"A {brace} and {string} stay.", "A {brace} and {string} stay.", ""},
        {"x\n{string 99999}", "x\n{string 99999}", "line 2: the program has no text for {string 99999}"},
        {"{ui 閉じる", "{ui 閉じる", "line 1: a reference without its closing }"},
        {"{ui 開く\n}", "{ui 開く\n}", "line 1: a reference without its closing }"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<std::string> problems;
        EXPECT_EQ(ExpandReferences(c.text, resolve, &problems), c.expanded);
        if (c.problem[0] == '\0') {
            EXPECT_TRUE(problems.empty()) << problems.front();
        } else {
            ASSERT_EQ(problems.size(), 1u);
            EXPECT_EQ(problems[0], c.problem);
        }
    }
}

// The pages in another language: their texts come from the loaded language module.
#include <QPushButton>
#include <cstdlib>

#include "PageTestSupport.h"
#include "pages/SettingsListBuilder.h"
#include "pages/TabCommon.h"
#include "pages/TabHead.h"
#include "resources/lang/LanguageModule.h"
#include "settings/SettingsDefaults.h"

using namespace qda;
using namespace qda::test;

namespace {

class LanguageTest : public PageTest {
protected:
    void TearDown() override { UnloadLanguageModule(); }
    static std::string LibDir() {
        const char* bin = std::getenv("QDA_BIN_DIR");
        return bin ? std::string(bin) + "/../lib" : std::string();
    }
};

TEST_F(LanguageTest, EnglishModuleTranslatesThePages) {
    std::string error;
    if (LibDir().empty() || !LoadLanguageModule("us", LibDir(), &error))
        GTEST_SKIP() << "the English language module is not built: " << error;
    CTabCommon common;
    EXPECT_EQ(Control<QPushButton>(&common, CTabCommon::IDC_COPY)->text(),
              QStringLiteral("&Copy common settings"));
    HeadSetting head{};
    SetHeadDefaults(head);
    CTabHead page;
    page.LoadPage(&mainWindow, 0, 0, head, QStringLiteral("B"), PcCommSetting{}, nullptr);
    EXPECT_EQ(Control<QPushButton>(&page, CTabHead::IDC_COPY)->text(),
              QStringLiteral("&Copy head B settings"));
    // Values that are not words stay as they are.
    EXPECT_EQ(Control<QComboBox>(&common, CTabCommon::IDC_SAMPLING)->itemText(0), QStringLiteral("20us"));
}

}  // namespace

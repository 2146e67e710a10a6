// The readout selection dialog: its preset, enabling as the combos change, and the overwrite question.
#include <QComboBox>
#include <QPushButton>
#include <QTest>

#include "pages/PageTestSupport.h"
#include "storage/LoadStorageSelect.h"

namespace {

using namespace qda;

class LoadSelectTest : public qda::test::PageTest {
protected:
    QComboBox* Combo(int id) { return Control<QComboBox>(&dlg, id); }
    bool Enabled(int id) { return FindControl(&dlg, id)->isEnabled(); }
    // Clicks "読み出し(&R)" of the shown dialog.
    void Read() {
        Control<QPushButton>(&dlg, CLoadStorageSelect::IDC_READ)->click();
        QCoreApplication::processEvents();
    }
    CLoadStorageSelect dlg;
};

TEST_F(LoadSelectTest, ChoiceZeroShowsOut1AndTheControlsFollowEveryChange) {
    dlg.SetSelection({0, 2, 3}, {});
    EXPECT_EQ(Combo(CLoadStorageSelect::IDC_OUT_CHOICE)->currentText(), "OUT1");
    EXPECT_EQ(Combo(CLoadStorageSelect::IDC_OUT1_SLOT)->currentText(), QString::fromUtf8("データ3"));
    EXPECT_EQ(Combo(CLoadStorageSelect::IDC_OUT2_SLOT)->currentText(), QString::fromUtf8("データ4"));
    EXPECT_TRUE(Enabled(CLoadStorageSelect::IDC_OUT1_SLOT));
    EXPECT_FALSE(Enabled(CLoadStorageSelect::IDC_OUT2_SLOT));
    EXPECT_FALSE(Enabled(CLoadStorageSelect::IDC_OUT2_LABEL));

    Combo(CLoadStorageSelect::IDC_OUT_CHOICE)->setCurrentIndex(1);
    EXPECT_FALSE(Enabled(CLoadStorageSelect::IDC_OUT1_SLOT));
    EXPECT_TRUE(Enabled(CLoadStorageSelect::IDC_OUT2_SLOT));
    EXPECT_TRUE(Enabled(CLoadStorageSelect::IDC_OUT2_LABEL));
    EXPECT_TRUE(Enabled(CLoadStorageSelect::IDC_READ));

    Combo(CLoadStorageSelect::IDC_OUT_CHOICE)->setCurrentIndex(2);
    Combo(CLoadStorageSelect::IDC_OUT2_SLOT)->setCurrentIndex(2);
    EXPECT_FALSE(Enabled(CLoadStorageSelect::IDC_READ)) << "both OUTs into one slot";
    Combo(CLoadStorageSelect::IDC_OUT2_SLOT)->setCurrentIndex(0);
    EXPECT_TRUE(Enabled(CLoadStorageSelect::IDC_READ));
    const ReadoutSelection s = dlg.Selection();
    EXPECT_EQ(s.choice, 3);
    EXPECT_EQ(s.out1Slot, 2);
    EXPECT_EQ(s.out2Slot, 0);
}

TEST_F(LoadSelectTest, OverwritingShownValuesAsksFirstAndNoKeepsTheDialogOpen) {
    dlg.SetSelection({3, 0, 1}, {0, 500, 0, 0});
    dlg.show();
    messages.QueueAnswer(IDNO);
    Read();
    ASSERT_EQ(messages.ShownTexts(), std::vector<std::string>{LoadMessage(270)});
    EXPECT_EQ(messages.Shown()[0].style, MB_YESNO | MB_ICONQUESTION);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Rejected);

    messages.QueueAnswer(IDYES);
    Read();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

TEST_F(LoadSelectTest, NothingToOverwriteReadsWithoutAQuestionAndEnterCannotBypassTheRule) {
    dlg.SetSelection({3, 1, 1}, {100, 0, 100, 100});
    dlg.show();
    dlg.accept();  // what Enter does
    EXPECT_TRUE(dlg.isVisible()) << "two OUTs into one slot is never read";
    Combo(CLoadStorageSelect::IDC_OUT1_SLOT)->setCurrentIndex(3);
    Combo(CLoadStorageSelect::IDC_OUT1_SLOT)->setCurrentIndex(1);
    Combo(CLoadStorageSelect::IDC_OUT_CHOICE)->setCurrentIndex(0);
    Read();
    EXPECT_TRUE(messages.Shown().empty());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.Selection().choice, 1);
    EXPECT_EQ(dlg.Selection().out1Slot, 1);
}

}  // namespace

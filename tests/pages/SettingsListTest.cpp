// The settings list text as the pages show the values, the list page's marking of changed cells,
// the head model rows and the clipboard.
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QPushButton>
#include <cstdlib>

#include "PageTestSupport.h"
#include "comm/Command.h"
#include "pages/Clipboard.h"
#include "pages/SettingsListBuilder.h"
#include "pages/SettingsListText.h"
#include "pages/TabList.h"
#include "settings/SettingsDefaults.h"

using namespace qda;
using namespace qda::test;

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t at; (at = text.find("\r\n", start)) != std::string::npos; start = at + 2)
        lines.push_back(text.substr(start, at - start));
    lines.push_back(text.substr(start));
    return lines;
}

class SettingsListTest : public PageTest {
protected:
    SettingsListTest() : block(DefaultBlock()) {}
    SettingsBlock block;
};

TEST_F(SettingsListTest, DefaultProgramText) {
    const std::string text = BuildSettingsListText(block, 0);
    const auto lines = Lines(text);
    ASSERT_EQ(lines.size(), 52u);
    const std::pair<int, const char*> expected[] = {
        {0, "[ヘッド設定]\t\t\t[ヘッドA]\t[ヘッドB]"},
        {1, "ROVA\t\t\tAUTO\tAUTO"},
        {2, "ROVA調整範囲\t上限\t\t99\t99"},
        {3, "\t下限\t\t1\t1"},
        {4, "測定モード\t\t\t標準\t標準"},
        {6, "アラーム\t処理回数\t\t8\t8"},
        {7, "\tレベル\t\t4\t4"},
        {8, ""},
        {9, "[OUT設定]\t\t\t[OUT1]\t[OUT2]"},
        {10, "公差\t上限値\t\t5.0000\t5.0000"},
        {11, "\t下限値\t\t-5.0000\t-5.0000\t\t"},
        {12, "\tヒステリシス\t\t0.0000\t0.0000"},
        {13, "演算方法\t\t\tヘッドA\tヘッドA"},
        {14, "測定対象\t\t\t第１ピーク\t第１ピーク"},
        {15, "スケーリング\tヘッドA\t入力値1\t0.0000\t0.0000"},
        {16, "\t\t入力値2\t1.0000\t1.0000"},
        {24, "\t詳細\t\t256\t256"},
        {25, "計測モード\t\t\tノーマル\tノーマル"},
        {28, "最小表示単位\t\t\t0.0001(mm)\t0.0001(mm)"},
        {31, "\t出力値1\t\t10.000\t10.000"},
        {32, "\t出力値2\t\t-10.000\t-10.000"},
        {33, "アナログスルー\t\t\tOFF\tOFF"},
        {35, "[共通設定]"},
        {36, "サンプリング周期\t\t200us"},
        {42, "\t蓄積点数\t65536"},
        {43, "\t蓄積周期\tx20(4ms)"},
        {45, "[環境設定]"},
        {46, "RS-232C設定\tボーレート\t9600"},
        {47, "\tパリティ\tNONE"},
        {51, "プログラム切り替え\t\tパネル"},
    };
    for (auto [index, line] : expected) EXPECT_EQ(lines[index], line) << "line " << index;
    EXPECT_NE(text.substr(text.size() - 2), "\r\n");
}

TEST_F(SettingsListTest, EachOutUsesItsOwnDigitsAndProgramsDiffer) {
    ProgramSetting& p = block.Programs[3];
    p.Out2.DispDigitMm = 4;  // 0.1 um
    p.Out1.FilterType = kFilterLowPass;
    p.Out1.FilterCutoff = 7;
    p.Common.SampRate = 4;
    p.Common.DSFreq = 2;
    p.HeadB.HdMsrMode = 2;
    const auto lines = Lines(BuildSettingsListText(block, 3));
    EXPECT_EQ(lines[10], "公差\t上限値\t\t5.0000\t5000.0");
    EXPECT_EQ(lines[4], "測定モード\t\t\t標準\t透明体");
    EXPECT_EQ(lines[23], "フィルタ\t種別\t\tローパスフィルタ\t移動平均");
    EXPECT_EQ(lines[24], "\t詳細\t\t0.3\t256");
    EXPECT_EQ(lines[43], "\t蓄積周期\tx5(2.5ms)");
    EXPECT_EQ(BuildSettingsListText(block, 8), "");
    EXPECT_NE(BuildSettingsListText(block, 0), BuildSettingsListText(block, 3));
}

class TabListTest : public SettingsListTest {
protected:
    void Load(const std::string& current, const std::string& reference) {
        page.LoadPage(&mainWindow, 0, current, reference, PcCommSetting{1, 8, 0, 2}, &command);
        page.RefreshPage();
    }
    CCommand command;
    CTabList page;
};

int BluePixels(QWidget& w) {
    const QImage shot = w.grab().toImage();
    int n = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) n += QColor(shot.pixel(x, y)) == QColor(0, 0, 255);
    return n;
}

TEST_F(TabListTest, MarksExactlyTheChangedCell) {
    const std::string reference = BuildSettingsListText(block, 0);
    page.resize(640, 600);
    Load(reference, reference);
    EXPECT_EQ(BluePixels(page), 0);
    for (int r = 0; r < page.RowCount(); ++r) {
        EXPECT_EQ(page.RowMask(r), 0) << r;
        for (int c = 0; c < CTabList::kColumns; ++c) EXPECT_FALSE(page.IsCellMarked(r, c)) << r << "," << c;
    }
    EXPECT_EQ(page.CellText(4, 0), QString::fromUtf8("測定モード"));
    EXPECT_EQ(page.CellText(4, 3), QString::fromUtf8("標準"));

    block.Programs[0].HeadA.HdMsrMode = 1;
    Load(BuildSettingsListText(block, 0), reference);
    int marked = 0;
    for (int r = 0; r < page.RowCount(); ++r)
        for (int c = 0; c < CTabList::kColumns; ++c) marked += page.IsCellMarked(r, c);
    EXPECT_EQ(marked, 1);
    EXPECT_TRUE(page.IsCellMarked(4, 3));
    EXPECT_EQ(page.RowMask(4), 1 << 3);
    EXPECT_EQ(page.CellText(4, 3), QString::fromUtf8("半透明体"));
    EXPECT_GT(BluePixels(page), 10) << "the changed cell is drawn in blue";
    EXPECT_TRUE(Control<QPushButton>(&page, CTabList::IDC_COPY)->isEnabled());

    Load("", reference);
    EXPECT_FALSE(Control<QPushButton>(&page, CTabList::IDC_COPY)->isEnabled());
}

TEST_F(TabListTest, HeadModelsWithoutControllerShowCommunicationFailure) {
    qputenv("QDA_COM9", "/nonexistent/qda-test-tty");
    const std::string text = BuildSettingsListText(block, 0);
    Load(text, text);
    page.AddHeadModels();
    ASSERT_EQ(messages.ShownTexts().size(), 1u);
    EXPECT_EQ(messages.ShownTexts()[0], "通信に失敗しました");
    EXPECT_TRUE(page.ModelA().empty());
    const int n = 52;
    for (int r = n + 1; r <= n + 3; ++r) EXPECT_TRUE(page.CellText(r, 0).isEmpty()) << r;
    qunsetenv("QDA_COM9");
}

TEST_F(TabListTest, CopiedTextIsTheListText) {
    const std::string text = BuildSettingsListText(block, 0);
    Load(text, text);
    Control<QPushButton>(&page, CTabList::IDC_COPY)->click();
    const QString copied = QGuiApplication::clipboard()->text();
    EXPECT_EQ(copied.toStdString(), text);
    EXPECT_TRUE(copied.endsWith(QString::fromUtf8("パネル")));
}

TEST(SettingsListClipboard, HeadModelsAppended) {
    EXPECT_EQ(SettingsListClipboardText("x", "", ""), "x");
    EXPECT_EQ(SettingsListClipboardText("x", "QD-R17", "未接続"),
              "x\r\n\r\n[ヘッド型式]\r\nヘッドA\tQD-R17\r\nヘッドB\t未接続\r\n");
}

TEST(Clipboard, BitmapTakesTheBottomRowFirst) {
    // 2 x 2, 24 bits: rows of 6 bytes padded to 8, bottom row first (blue/green/red byte order).
    uint8_t header[40] = {};
    const auto put32 = [&](int at, uint32_t v) {
        for (int i = 0; i < 4; ++i) header[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    put32(0, 40);
    put32(4, 2);
    put32(8, 2);
    header[12] = 1;
    header[14] = 24;
    put32(20, 16);
    const uint8_t bits[16] = {255, 0, 0,   0,   255, 0,   0, 0,   // bottom: blue, green
                              0,   0, 255, 255, 255, 255, 0, 0};  // top: red, white
    ASSERT_TRUE(CClipboard::CopyBitmap(header, bits, sizeof bits));
    const QImage img = QGuiApplication::clipboard()->image();
    ASSERT_EQ(img.size(), QSize(2, 2));
    EXPECT_EQ(QColor(img.pixel(0, 0)), QColor(255, 0, 0));
    EXPECT_EQ(QColor(img.pixel(1, 0)), QColor(255, 255, 255));
    EXPECT_EQ(QColor(img.pixel(0, 1)), QColor(0, 0, 255));
    EXPECT_EQ(QColor(img.pixel(1, 1)), QColor(0, 255, 0));

    EXPECT_FALSE(CClipboard::CopyBitmap(header, bits, 15)) << "bits shorter than the rows";
    put32(4, 100000);
    EXPECT_FALSE(CClipboard::CopyBitmap(header, bits, sizeof bits)) << "implausible width";
    put32(4, 2);
    header[14] = 32;
    EXPECT_FALSE(CClipboard::CopyBitmap(header, bits, sizeof bits)) << "only 24-bit bitmaps";
}

}  // namespace

// The drawn controls and the pages' pictures on screens of 1.5 and 2 device pixels per logical
// pixel: one-pixel edges cover whole device pixels in full colour, and pictures are drawn at the
// screen's ratio, not a 1 x bitmap enlarged.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "pages/DrawnButton.h"
#include "pages/DrawnTab.h"
#include "pages/PagePictures.h"
#include "pages/PictureHolder.h"
#include "pages/TabHead.h"
#include "pages/TabOut.h"
#include "settings/SettingsDefaults.h"
#include "support/RenderAtRatio.h"

using namespace qda;
using namespace qda::test;

namespace {

const QColor kFill(204, 204, 255);
const QColor kPressedFill(102, 102, 128);

TEST(SharpAtAnyRatio, PagePicturesCarryDetailFinerThanALogicalPixel) {
    std::vector<std::pair<std::string, DrawnPicture>> pictures;
    for (int mode = 0; mode < 5; ++mode)
        pictures.emplace_back("mode " + std::to_string(mode), HeadModePicture(mode));
    for (int t = 0; t < 10; ++t) pictures.emplace_back("target " + std::to_string(t), TargetPicture(t));
    pictures.emplace_back("arrow", ArrowPicture());
    for (const auto& [name, picture] : pictures) {
        ASSERT_FALSE(picture.IsNull()) << name;
        const QImage at2 = picture.Render(2);
        EXPECT_EQ(at2.size(), picture.Size() * 2) << name;
        EXPECT_FALSE(PixelDoubled(at2, at2.rect())) << name << " is a 1 x picture enlarged";
        const QImage at15 = picture.Render(1.5);
        EXPECT_EQ(at15.width(), qCeil(picture.Size().width() * 1.5)) << name;
        EXPECT_EQ(at15.devicePixelRatio(), 1.5) << name;
    }
}

struct DrawnButtonAtRatio : ::testing::TestWithParam<qreal> {
    QWidget parent;
    CDrawnButton* button = nullptr;
    void SetUp() override {
        parent.resize(240, 120);
        button = new CDrawnButton(1000, QString(), &parent);
        button->SetBitmaps(ArrowPicture(), kFill, kPressedFill);
        button->SetFillColors(kFill, kPressedFill);
        button->setGeometry(10, 10, 80, 41);
    }
};

TEST_P(DrawnButtonAtRatio, PictureIsDrawnAtTheScreensRatioInEveryState) {
    const qreal ratio = GetParam();
    const QImage fresh = RenderAt(*button, ratio);
    EXPECT_TRUE(ContainsPicture(fresh, ArrowPicture().Render(ratio, kFill), fresh.rect()))
        << "the normal image is the picture drawn at " << ratio << " x over the normal fill";
    if (ratio == 2) {
        EXPECT_FALSE(PixelDoubled(fresh, fresh.rect()));
    }

    button->setEnabled(false);
    const QImage disabled = RenderAt(*button, ratio);
    EXPECT_FALSE(ContainsPicture(disabled, ArrowPicture().Render(ratio, kFill), disabled.rect()));
    if (ratio == 2) {
        EXPECT_FALSE(PixelDoubled(disabled, disabled.rect())) << "the greyed image is sharp too";
    }

    // Drawn once per ratio: the same button shown at 1 x afterwards is not left with 2 x images.
    button->setEnabled(true);
    const QImage again = RenderAt(*button, 1);
    EXPECT_TRUE(ContainsPicture(again, ArrowPicture().Render(1, kFill), again.rect()));
}

TEST_P(DrawnButtonAtRatio, OnePixelFrameCoversWholeDevicePixels) {
    const qreal ratio = GetParam();
    const QImage shot = RenderAt(*button, ratio).convertToFormat(QImage::Format_RGB32);
    // The fill mode's black frame: the left column and the top row of the control.
    const int edge = qRound(ratio);  // device pixels a logical one covers, 2 at 2 x, (1 or) 2 at 1.5 x
    const int midY = shot.height() / 2;
    const int midX = shot.width() / 2;
    for (int d = 0; d < edge; ++d) {
        EXPECT_EQ(QColor(shot.pixel(d, midY)), QColor(Qt::black)) << "left edge, device column " << d;
        EXPECT_EQ(QColor(shot.pixel(midX, d)), QColor(Qt::black)) << "top edge, device row " << d;
    }
    const int inside = qCeil(ratio);
    EXPECT_EQ(QColor(shot.pixel(inside, midY)), kFill) << "no half-tone inside the left edge";
    EXPECT_EQ(QColor(shot.pixel(midX, inside)), kFill) << "no half-tone below the top edge";

    // Pressed: the sunken frame, black on the top and left and white on the bottom and right.
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(5, 5));
    const QImage pressed = RenderAt(*button, ratio).convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(QColor(pressed.pixel(0, midY)), QColor(Qt::black));
    EXPECT_EQ(QColor(pressed.pixel(edge - 1, midY)), QColor(Qt::black));
    EXPECT_EQ(QColor(pressed.pixel(inside, midY)), kPressedFill);
}

INSTANTIATE_TEST_SUITE_P(Ratios, DrawnButtonAtRatio, ::testing::Values(1.5, 2.0));

TEST(SharpAtAnyRatio, TabFrameLinesCoverTwoDevicePixelsAt2x) {
    QWidget parent;
    parent.resize(400, 300);
    auto* tab = new CDrawnTab(1015, &parent);
    tab->InsertItem(QStringLiteral("OUT1"));
    tab->InsertItem(QStringLiteral("OUT2"));
    tab->setGeometry(0, 0, 400, 300);
    const QColor light = tab->palette().color(QPalette::Light);
    const QColor dark = tab->palette().color(QPalette::Dark);
    const QImage shot = RenderAt(*tab, 2).convertToFormat(QImage::Format_RGB32);
    const int right = (tab->width() - 2) * 2;  // the frame's right line, the control's last column but one
    const int top = (tab->DisplayRect().top() - 2) * 2;  // the frame's top line, 2 above the page area
    for (int d : {0, 1}) {
        EXPECT_EQ(shot.pixel(600, top + d), light.rgb()) << "page frame top, device row " << top + d;
        EXPECT_EQ(shot.pixel(d, 400), light.rgb()) << "page frame left, device column " << d;
        EXPECT_EQ(shot.pixel(right + d, 400), dark.rgb()) << "page frame right, device column " << right + d;
    }
    EXPECT_NE(shot.pixel(600, top + 2), light.rgb());
    const QRect first = tab->ItemRect(1);
    EXPECT_EQ(shot.pixel(first.left() * 2 + 1, first.center().y() * 2), light.rgb())
        << "the item's left edge is two device pixels wide";
}

TEST(SharpAtAnyRatio, PagesShowTheirPicturesDrawnAtTheRatio) {
    const SettingsBlock block = DefaultBlock();
    CTabHead head;
    head.resize(640, 480);
    head.LoadPage(nullptr, 0, 0, block.Programs[0].HeadA, QStringLiteral("A"), block.PcComm, nullptr);
    head.RefreshPage();
    CTabOut out;
    out.resize(640, 520);
    OutSetting rec = block.Programs[0].Out1;
    rec.Calc = 4;  // a method with a measured surface: the target picture shows
    rec.CalcWave = 5;
    out.LoadPage(nullptr, 0, 0, rec, QStringLiteral("1"), 0, block.PcComm, nullptr);
    out.RefreshPage();
    for (QWidget* page : {static_cast<QWidget*>(&head), static_cast<QWidget*>(&out)}) {
        page->show();
        QApplication::processEvents();
        const auto holders = page->findChildren<PictureHolder*>();
        ASSERT_FALSE(holders.isEmpty());
        for (qreal ratio : {1.5, 2.0}) {
            const QImage shot = RenderAt(*page, ratio);
            for (PictureHolder* holder : holders) {
                if (holder->Picture().IsNull() || !holder->isVisibleTo(page)) continue;
                const QRect area = DeviceRect(*holder, *page, ratio).adjusted(-2, -2, 2, 2);
                EXPECT_TRUE(ContainsPicture(shot, holder->Picture().Render(ratio), area))
                    << "picture " << holder->objectName().toStdString() << " at " << ratio << " x";
                if (ratio == 2) {
                    EXPECT_FALSE(PixelDoubled(shot, area)) << holder->objectName().toStdString();
                }
            }
        }
        page->hide();
    }
}

}  // namespace

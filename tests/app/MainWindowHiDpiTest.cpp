// The assembled main window on a screen of twice the pixels: its pictures are drawn at that ratio,
// not enlarged from 1 x, and in every language its captions fit their controls on every page and
// in the tool windows.
#include <QAbstractButton>
#include <QLabel>
#include <cstdlib>

#include "MainWindowTestSupport.h"
#include "app/ButtonArt.h"
#include "pages/DrawnButton.h"
#include "pages/PictureHolder.h"
#include "resources/lang/LanguageModule.h"
#include "storage/DataStorage.h"
#include "support/RenderAtRatio.h"

namespace qda::test {
namespace {

// Where a caption does not fit: "1014 'コントローラ\n環境設定(&E)' needs 36 x 44 in 96 x 34".
std::vector<std::string> ClippedCaptions(QWidget& top) {
    std::vector<std::string> clipped;
    auto report = [&](QWidget* w, const QString& text, QSize need, QSize room) {
        if (need.width() <= room.width() && need.height() <= room.height()) return;
        const std::string shown =
            QString(text).replace(QLatin1Char('\n'), QStringLiteral("\\n")).toStdString();
        clipped.push_back(w->objectName().toStdString() + " '" + shown + "' needs " +
                          std::to_string(need.width()) + " x " + std::to_string(need.height()) + " in " +
                          std::to_string(room.width()) + " x " + std::to_string(room.height()));
    };
    for (QWidget* w : top.findChildren<QWidget*>()) {
        if (!w->isVisibleTo(&top)) continue;
        // A control cut off by the edge of a parent (a page taller than the place it is given).
        const QRect own(w->mapTo(&top, QPoint(0, 0)), w->size());
        for (QWidget* up = w->parentWidget(); up != nullptr && up != &top; up = up->parentWidget()) {
            const QRect room(up->mapTo(&top, QPoint(0, 0)), up->size());
            if (!room.contains(own) && (qobject_cast<QAbstractButton*>(w) || qobject_cast<QLabel*>(w)))
                clipped.push_back(w->objectName().toStdString() + " " + w->metaObject()->className() +
                                  " reaches out of " + up->objectName().toStdString() + " " +
                                  up->metaObject()->className() + " by " +
                                  std::to_string(own.bottom() - room.bottom()) + " px at the bottom");
        }
        if (auto* b = qobject_cast<CDrawnButton*>(w)) {
            if (b->Caption().isEmpty()) continue;
            // The caption is centred right of the picture, in the parent's font, above the bottom line.
            const QFontMetrics fm(b->parentWidget()->font());
            QRect room(0, 0, b->width(), b->height() - 1);
            if (b->ImageSize().isValid()) room.setLeft(4 + b->ImageSize().width() + 4);
            report(b, b->Caption(), fm.size(Qt::TextShowMnemonic, b->Caption()), room.size());
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            if (!button->text().isEmpty()) report(button, button->text(), button->sizeHint(), button->size());
        } else if (auto* label = qobject_cast<QLabel*>(w)) {
            if (label->wordWrap() || label->text().isEmpty() || label->textFormat() == Qt::RichText) continue;
            report(label, label->text(), label->fontMetrics().size(Qt::TextShowMnemonic, label->text()),
                   label->contentsRect().size());
        }
    }
    return clipped;
}

TEST_F(MainWindowTest, AtTwiceThePixelsTheTopButtonsAndTheMarkerAreDrawnAtThatRatio) {
    Start();
    const QImage shot = RenderAt(*window, 2);
    const QColor face = QApplication::palette().color(QPalette::Button);
    const std::pair<int, int> tops[] = {{CTR52Dlg::IDC_RECEIVE, 247}, {CTR52Dlg::IDC_SEND, 246},
                                        {CTR52Dlg::IDC_CALC, 210},    {CTR52Dlg::IDC_WAVE_A, 212},
                                        {CTR52Dlg::IDC_WAVE_B, 211},  {CTR52Dlg::IDC_STORAGE, 213}};
    for (auto [id, bitmap] : tops) {
        const QRect area = DeviceRect(*window->Button(id), *window, 2);
        EXPECT_TRUE(ContainsPicture(shot, ButtonBitmap(bitmap).Render(2, face), area))
            << "button " << id << " shows bitmap " << bitmap << " drawn at 2 x";
        EXPECT_FALSE(PixelDoubled(shot, area)) << "button " << id;
    }
    auto* marker = window->findChild<PictureHolder*>(QString::number(CTR52Dlg::IDC_MARKER0));
    ASSERT_NE(marker, nullptr);
    EXPECT_TRUE(ContainsPicture(shot, ProgramMarker().Render(2),
                                DeviceRect(*marker, *window, 2).adjusted(-1, -1, 1, 1)))
        << "the marker of the selected program";
}

TEST_F(MainWindowTest, CaptionsFitTheirControlsOnEveryPageInEveryLanguage) {
    const char* bin = std::getenv("QDA_BIN_DIR");
    for (const char* language : {"jp", "us", "de"}) {
        std::string error;
        if (std::string(language) != "jp") {
            if (bin == nullptr || !LoadLanguageModule(language, std::string(bin) + "/../lib", &error)) {
                ADD_FAILURE() << "language module " << language << " not loaded: " << error;
                continue;
            }
        }
        Start();
        for (int tab = 0; tab < 6; ++tab) {
            if (tab > 0) window->MoveTab(1);
            QCoreApplication::processEvents();
            // A page squeezed below its layout's minimum overlaps its own controls.
            if (QWidget* page = window->Page(window->CurrentTab())) {
                EXPECT_GE(page->height(), page->minimumSizeHint().height()) << language << ", page " << tab;
                EXPECT_GE(page->width(), page->minimumSizeHint().width()) << language << ", page " << tab;
            }
            for (const std::string& clipped : ClippedCaptions(*window))
                ADD_FAILURE() << language << ", page " << tab << ": " << clipped;
        }
        // The tool windows as they open: measured values, waveform, data storage (without a link).
        std::vector<QWidget*> tools;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            const QByteArray name = w->metaObject()->className();
            if (name == "CCalc" || name == "CWave") tools.push_back(w);
        }
        const int silent = IsMessageSilent();
        SetMessageSilent(1);
        // Owned here, so it goes before the main window it is a child of.
        auto storage = std::make_unique<CDataStorage>(window->Settings(), window->GetSelectedProgram(),
                                                      window.get(), 0u, nullptr, window.get());
        SetMessageSilent(silent);
        tools.push_back(storage.get());
        for (QWidget* tool : tools) {
            tool->show();
            QCoreApplication::processEvents();
            for (const std::string& clipped : ClippedCaptions(*tool))
                ADD_FAILURE() << language << ", " << tool->metaObject()->className() << ": " << clipped;
            tool->hide();
        }
        storage.reset();
        window.reset();
        UnloadLanguageModule();
    }
}

}  // namespace
}  // namespace qda::test

// The main window as assistive technology sees it: every drawn control in the accessibility tree
// with its role, name and state, and pressed through the interface as a screen reader or AT-SPI
// automation presses it.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QSet>

#include "Journey.h"
#include "app/TR52Dlg.h"
#include "pages/DrawnButton.h"
#include "pages/DrawnTab.h"

using namespace qda::journey;

namespace {

// Every interface below `root`, depth first, each with its parent's role.
struct Node {
    QAccessibleInterface* iface;
    QAccessible::Role parentRole;
};

void Walk(QAccessibleInterface* root, std::vector<Node>& out, int depth = 0) {
    if (root == nullptr || depth > 40) return;
    for (int i = 0; i < root->childCount(); ++i) {
        QAccessibleInterface* child = root->child(i);
        if (child == nullptr) continue;
        out.push_back({child, root->role()});
        Walk(child, out, depth + 1);
    }
}

QString Spoken(const char* japanese) {
    return Operator::Text(japanese).remove(QLatin1Char('&')).replace(QLatin1Char('\n'), QLatin1Char(' '));
}

QAccessibleInterface* Of(QWidget* w) {
    return QAccessible::queryAccessibleInterface(w);
}

TEST(AccessibilityJourney, DrawnControlsReadAndPressLikeButtons) {
    Journey journey;
    QDA_REQUIRE_PEERS(journey);
    journey.Run([&](Operator& op) {
        op.PassSplash();
        op.ChooseStartup(2);
        const QPointer<CTR52Dlg> main = op.Main();

        op.Step("walk the tree: every drawn button of the window is in it, as a button");
        const std::vector<std::string> problems = op.Ui([main] {
            std::vector<std::string> p;
            auto fail = [&p](QWidget* w, const std::string& what) {
                p.push_back(w->objectName().toStdString() + ": " + what);
            };
            std::vector<Node> nodes;
            Walk(Of(main.data()), nodes);
            QSet<QObject*> reached;
            QHash<QObject*, QAccessible::Role> parentRole;
            for (const Node& n : nodes) {
                reached.insert(n.iface->object());
                parentRole.insert(n.iface->object(), n.parentRole);
            }
            QSet<QString> names;
            for (CDrawnButton* b : main->findChildren<CDrawnButton*>()) {
                if (!reached.contains(b)) fail(b, "not reached from the window");
                QAccessibleInterface* ai = Of(b);
                if (ai->role() != QAccessible::Button) fail(b, "is not a button");
                const QString name = ai->text(QAccessible::Name);
                if (name.isEmpty()) fail(b, "has no name");
                if (names.contains(name)) fail(b, "shares its name \"" + name.toStdString() + "\"");
                names.insert(name);
                if (ai->state().disabled == b->isEnabled()) fail(b, "tells the wrong enabled state");
                QAccessibleActionInterface* action = ai->actionInterface();
                if (action == nullptr) {
                    fail(b, "has no actions");
                } else if (action->actionNames().contains(QAccessibleActionInterface::pressAction()) !=
                           b->isEnabled()) {
                    fail(b, "offers a press action that does not follow its enabled state");
                }
            }
            // Named by the caption; the picture-only difference of the waveform buttons is named.
            const std::pair<int, QString> captions[] = {
                {CTR52Dlg::IDC_RECEIVE, Spoken("コントローラの\n設定を受信")},
                {CTR52Dlg::IDC_COPY, Spoken("コピー(&W)")},
                {CTR52Dlg::IDC_INIT_ALL, Spoken("一括初期化(&8)")},
                {CTR52Dlg::IDC_PROGRAM0, QStringLiteral("No.0")},
            };
            for (const auto& [id, caption] : captions) {
                QWidget* w = main->findChild<QWidget*>(QString::number(id));
                if (Of(w)->text(QAccessible::Name) != caption)
                    fail(w, "is named \"" + Of(w)->text(QAccessible::Name).toStdString() + "\"");
            }
            for (int id : {CTR52Dlg::IDC_WAVE_A, CTR52Dlg::IDC_WAVE_B}) {
                QWidget* w = main->findChild<QWidget*>(QString::number(id));
                const QString head = Operator::Text(id == CTR52Dlg::IDC_WAVE_A ? "ヘッドA" : "ヘッドB");
                if (!Of(w)->text(QAccessible::Name).contains(head)) fail(w, "does not name its head");
                if (Of(w)->text(QAccessible::Description).isEmpty()) fail(w, "has no description");
                if (parentRole.value(w) != QAccessible::ToolBar) fail(w, "is not in the tool bar");
            }
            // The measured-value and data storage buttons are live.
            for (int id : {CTR52Dlg::IDC_CALC, CTR52Dlg::IDC_STORAGE}) {
                QWidget* w = main->findChild<QWidget*>(QString::number(id));
                if (Of(w)->state().disabled) fail(w, "reads as disabled");
            }
            // The program buttons: the selected one reads as checked, the others as not.
            for (int i = 0; i < 8; ++i) {
                const int id = i == 0 ? CTR52Dlg::IDC_PROGRAM0 : CTR52Dlg::IDC_PROGRAM1 + i - 1;
                QWidget* w = main->findChild<QWidget*>(QString::number(id));
                const QAccessible::State s = Of(w)->state();
                if (!s.checkable || s.checked != (i == 0)) fail(w, "tells the wrong checked state");
            }
            // The tab control: six page tabs named by their texts, the first selected, then the pages.
            CDrawnTab* tab = main->Tab();
            QAccessibleInterface* ti = Of(tab);
            if (!reached.contains(tab)) fail(tab, "not reached from the window");
            if (ti->role() != QAccessible::PageTabList) fail(tab, "is not a page tab list");
            for (int i = 0; i < tab->ItemCount(); ++i) {
                QAccessibleInterface* item = ti->child(i);
                if (item == nullptr || item->role() != QAccessible::PageTab) {
                    fail(tab, "item " + std::to_string(i) + " is not a page tab");
                    continue;
                }
                if (item->text(QAccessible::Name) != tab->ItemText(i))
                    fail(tab, "an item has the wrong name");
                if (item->state().selected != (i == 0) || !item->state().selectable)
                    fail(tab, "item " + std::to_string(i) + " tells the wrong selected state");
                if (ti->indexOfChild(item) != i || item->parent() != ti) fail(tab, "an item is misplaced");
                if (item->rect().isEmpty()) fail(tab, "an item has no place on the screen");
            }
            if (!reached.contains(main->Page(0))) fail(tab, "the shown page is not below the tabs");
            return p;
        });
        for (const std::string& problem : problems) op.Fail(problem);

        op.Step("press program button No.3 through the interface");
        op.Post([main] {
            Of(main->findChild<QWidget*>(QStringLiteral("1009")))
                ->actionInterface()
                ->doAction(QAccessibleActionInterface::pressAction());
        });
        op.WaitUntil([main] { return main->GetSelectedProgram() == 3; }, "program 3 to be selected");
        if (op.Ui([main] {
                return !Of(main->findChild<QWidget*>(QStringLiteral("1009")))->state().checked ||
                       Of(main->findChild<QWidget*>(QStringLiteral("1001")))->state().checked;
            }))
            op.Fail("the checked states did not follow the selected program");

        op.Step("press the common page's tab through the interface");
        op.Post([main] {
            Of(main->Tab())->child(4)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        });
        op.WaitUntil([main] { return main->Tab()->CurSel() == 4; }, "the common page's tab to be selected");
        if (op.Ui([main] { return !Of(main->Tab())->child(4)->state().selected; }))
            op.Fail("the common page's tab does not read as selected");

        op.Exit();
        op.WaitForExit();
    });
}

}  // namespace

// CTR52Dlg: construction, layout, pages, program selection, tab changes, the keyboard routine and
// the start-up action.
#include "app/TR52Dlg.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>

#include "app/ButtonArt.h"
#include "app/MainTransfer.h"
#include "app/MainWindowDialogs.h"
#include "app/MainWindowLogic.h"
#include "monitor/Calc.h"
#include "monitor/Wave.h"
#include "pages/ButtonBar.h"
#include "pages/DrawnButton.h"
#include "pages/DrawnTab.h"
#include "pages/HelpRequest.h"
#include "pages/PageSupport.h"
#include "pages/PictureHolder.h"
#include "pages/ScalingRequest.h"
#include "pages/SettingsListBuilder.h"
#include "pages/TabCommon.h"
#include "pages/TabHead.h"
#include "pages/TabList.h"
#include "pages/TabOut.h"
#include "resources/Messages.h"
#include "resources/lang/UiText.h"
#include "settings/SettingsCopyBuffer.h"
#include "settings/SettingsDefaults.h"
#include "windowing/ToolWindows.h"
#include "windowing/WindowMessage.h"

namespace {

constexpr int kProgramIds[8] = {1001, 1007, 1008, 1009, 1010, 1011, 1012, 1013};

// Tool tips of dialog 102 by control: the message codes of the shared tool-tip table.
constexpr std::pair<int, int> kToolTips[] = {
    {1000, 37},  {1002, 38},  {1003, 39},  {1004, 40},  {1005, 41},  {1006, 42},  {1001, 78},
    {1007, 78},  {1008, 78},  {1009, 78},  {1010, 78},  {1011, 78},  {1012, 78},  {1013, 78},
    {1014, 185}, {1016, 186}, {1017, 187}, {1022, 188}, {1018, 189}, {1019, 190}, {1021, 131},
};

QColor ButtonFace() {
    return QApplication::palette().color(QPalette::Button);
}

}  // namespace

CTR52Dlg::CTR52Dlg(const Options& options, QWidget* parent)
    : QDialog(parent), m_options(options), m_messageWindow(this) {
    if (m_options.dialogs == nullptr) {
        m_ownDialogs = std::make_unique<qda::CMainWindowDialogs>();
        m_dialogs = m_ownDialogs.get();
    } else {
        m_dialogs = m_options.dialogs;
    }
    m_receive = std::make_unique<qda::MainTransfer>();
    m_send = std::make_unique<qda::MainTransfer>();
    setObjectName(QStringLiteral("102"));
    setWindowTitle(QStringLiteral("QD-Atlas"));
    // Modal to its hidden owner only, so that the tool windows beside it take input while it runs.
    setWindowModality(Qt::WindowModal);

    // 1. The owner of the message boxes.
    SetMessageOwner(&m_messageWindow);
    // 2. Icons (the version item lives in the help menu; there is no system menu to extend).
    setWindowIcon(qda::ApplicationIcon());
    // 3. Controller error replies come back as WM_CONTROLLER_ERROR on this window's thread.
    m_command.SetErrorNotifyWindow(
        [this](unsigned message, uintptr_t wParam, intptr_t lParam) {
            qda::PostWindowMessage(this, message, wParam, lParam);
        },
        WM_CONTROLLER_ERROR);

    // 4. Tab control, pages, buttons.
    BuildControls();
    BuildMenu();
    resize(980, 720);

    // 5. Defaults and the pages loaded from program 0.
    m_settings = qda::DefaultBlock();
    m_settingsRef = m_settings;
    for (QWidget* page : m_pages) {
        if (page != nullptr) page->hide();
    }
    // The pages are loaded from program 0 and refreshed once the saved state is in (step 10).

    // 6. The previous run's settings, unless Shift or Ctrl is held.
    RestoreSavedState();

    // 8. The waveform windows of head A and B and the measured-value window, hidden until asked for.
    CreateWaveWindows();
    CreateCalcWindow();

    // 9. The tool window list: the main window, the waveform windows, the measured-value window.
    qda::RegisterToolWindow(&m_messageWindow);
    for (auto& window : m_waveToolWindow) qda::RegisterToolWindow(window.get());
    qda::RegisterToolWindow(m_calcToolWindow.get());

    // 10. Program 0, the first page, the paste button.
    SelectProgram(false, 0);
    ShowPage(m_nCurTab);
    UpdatePasteButton();

    // F1 in the option dialogs opens their documents from this window's help folder.
    qda::SetHelpHandler([this](const std::string& document) { OpenHelpDocument(document); });
    InstallScalingRunner();

    qApp->installEventFilter(this);
    // 11. The start-up action once the window is up.
    qda::PostWindowMessage(this, WM_STARTUP_ACTION, 1, 0);
}

CTR52Dlg::~CTR52Dlg() {
    qda::SetHelpHandler({});
    qApp->removeEventFilter(this);
    // A worker still running (the window destroyed without exit) ends before its block goes.
    if (m_receive && m_receive->thread.joinable()) m_receive->thread.join();
    if (m_send && m_send->thread.joinable()) m_send->thread.join();
    qda::ClearToolWindows();
    for (auto& window : m_waveToolWindow) window.reset();
    for (auto& wave : m_wave) wave.reset();  // their workers end before the command object goes
    m_calcToolWindow.reset();
    m_calc.reset();
    qda::SetScalingRunner({});
    while (m_command.RefCount() > 0) m_command.ClosePort();
    if (GetMessageOwner() == &m_messageWindow) SetMessageOwner(nullptr);
}

void CTR52Dlg::BuildControls() {
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(8, 4, 8, 8);

    // Top buttons, one tool bar for assistive technology.
    auto* bar = new CButtonBar(this);
    auto* top = new QHBoxLayout(bar);
    top->setContentsMargins(0, 0, 0, 0);
    struct TopButton {
        int id;
        int bitmap;
        const char* text;
    };
    const TopButton tops[] = {
        {IDC_RECEIVE, 247, "コントローラの\n設定を受信"},
        {IDC_SEND, 246, "コントローラへ\n設定を送信"},
        {IDC_CALC, 210, "測定値表示"},
        {IDC_WAVE_A, 212, "受光波形表示"},
        {IDC_WAVE_B, 211, "受光波形表示"},
        {IDC_STORAGE, 213, "データストレージ"},
    };
    for (const TopButton& t : tops) {
        auto* b = new CDrawnButton(t.id, qda::UiText(t.text), bar);
        b->SetBitmaps(qda::ButtonBitmap(t.bitmap), ButtonFace(), ButtonFace().lighter(108));
        // The two waveform buttons share their caption; only the picture tells the head.
        if (t.id == IDC_WAVE_A || t.id == IDC_WAVE_B)
            b->setAccessibleName(qda::MessageQ(t.id == IDC_WAVE_A ? 0 : 1) + QLatin1Char(' ') +
                                 b->Caption().replace(QLatin1Char('\n'), QLatin1Char(' ')));
        b->SetFrame(true, true);
        b->setMinimumSize(120, 48);
        connect(b, &CDrawnButton::command, this, &CTR52Dlg::OnCommand);
        top->addWidget(b);
    }
    top->addStretch();
    root->addWidget(bar);

    auto* middle = new QHBoxLayout;
    // Program column with the marker beside each button.
    auto* frame = new QGroupBox(qda::UiText("\nプログラム").trimmed(), this);
    frame->setObjectName(QString::number(IDC_PROGRAM_FRAME));
    m_programFrame = frame;
    auto* column = new QGridLayout(frame);
    column->setVerticalSpacing(6);
    for (int i = 0; i < 8; ++i) {
        auto* marker = new qda::PictureHolder(IDC_MARKER0 + i, QSize(16, 16), frame);
        m_markers[static_cast<size_t>(i)] = marker;
        auto* b = new CDrawnButton(kProgramIds[i], QStringLiteral("No.%1").arg(i), frame);
        b->SetFillColors(ButtonFace(), QColor(255, 220, 120));
        // The window keeps one program selected; the selected one reads as checked.
        b->SetCheckable(true);
        b->SetFrame(true, true);
        b->setMinimumSize(72, 30);
        connect(b, &CDrawnButton::command, this, &CTR52Dlg::OnCommand);
        m_programButtons[static_cast<size_t>(i)] = b;
        column->addWidget(marker, i, 0);
        column->addWidget(b, i, 1);
    }
    column->setRowStretch(8, 1);
    auto* left = new QVBoxLayout;
    left->addWidget(frame);
    struct SideButton {
        int id;
        const char* text;
        bool drawn;
    };
    const SideButton sides[] = {
        {IDC_COPY, "コピー(&W)", true},
        {IDC_PASTE, "貼り付け(&Z)", true},
        {IDC_INIT, "初期化(&I)", true},
        {IDC_INIT_ALL, "一括初期化(&8)", true},
    };
    for (const SideButton& s : sides) {
        auto* b = new CDrawnButton(s.id, qda::UiText(s.text), this);
        b->SetFillColors(ButtonFace(), ButtonFace().darker(115));
        b->SetFrame(true, true);
        b->setMinimumSize(96, 28);
        connect(b, &CDrawnButton::command, this, &CTR52Dlg::OnCommand);
        left->addWidget(b);
    }
    left->addStretch();
    middle->addLayout(left);

    // The tab control and its six pages.
    m_tab = new CDrawnTab(IDC_TAB, this);
    m_tab->SetBackgroundColor(ButtonFace());
    m_tab->InsertItem(qda::MessageQ(0));
    m_tab->InsertItem(qda::MessageQ(1));
    m_tab->InsertItem(QStringLiteral("OUT1"));
    m_tab->InsertItem(QStringLiteral("OUT2"));
    m_tab->InsertItem(qda::MessageQ(2));
    m_tab->InsertItem(qda::MessageQ(3));
    m_tab->setMinimumSize(660, 560);
    // The first page is shown at start; the others are built when first needed (EnsurePage), as
    // building them is most of the window's start-up.
    m_headA = new CTabHead(m_tab);
    m_pages[0] = m_headA;
    connect(m_tab, &CDrawnTab::selectionChanging, this, &CTR52Dlg::OnTabChanging);
    connect(m_tab, &CDrawnTab::selectionChanged, this, &CTR52Dlg::OnTabChanged);
    middle->addWidget(m_tab, 1);
    root->addLayout(middle, 1);

    // Bottom row.
    auto* bottom = new QHBoxLayout;
    auto plain = [this, bottom](int id, const char* text) {
        QPushButton* b = qda::MakeButton(this, id, qda::UiText(text));
        b->setAutoDefault(false);
        b->setDefault(false);
        // 34 high, or as high as a caption of two lines needs ("コントローラ\n環境設定(&E)").
        b->setMinimumHeight(std::max(34, b->sizeHint().height()));
        connect(b, &QPushButton::clicked, this, [this, id] { OnCommand(id); });
        bottom->addWidget(b);
        return b;
    };
    plain(IDC_ENVIRONMENT, "コントローラ\n環境設定(&E)");
    bottom->addStretch();
    plain(IDC_OPEN, "開く(&L)");
    plain(IDC_SAVE, "保存(&S)");
    plain(IDC_HELP, "ヘルプ(&T)");
    plain(IDC_EXIT, "終了(&X)");
    QPushButton* dump = plain(IDC_DUMP, "Dump");
    dump->hide();
    root->addLayout(bottom);

    for (const auto& [id, code] : kToolTips) {
        if (QWidget* w = qda::FindControl(this, id)) w->setToolTip(qda::MessageQ(code));
    }
}

void CTR52Dlg::BuildMenu() {
    m_menu = new QMenuBar(this);
    layout()->setMenuBar(m_menu);
    auto add = [this](QMenu* menu, const char* text, int id) {
        QAction* a = menu->addAction(qda::UiText(text));
        a->setObjectName(QString::number(id));
        a->setData(id);
        connect(a, &QAction::triggered, this, [this, id] { OnCommand(id); });
        return a;
    };
    QMenu* file = m_menu->addMenu(qda::UiText("ファイル(&F)"));
    add(file, "設定ファイル保存(&S)\tCtrl+S", ID_FILE_SAVE);
    add(file, "設定ファイルを開く(&O)\tCtrl+O", ID_FILE_OPEN);
    add(file, "終了(&X)", ID_EXIT);
    QMenu* view = m_menu->addMenu(qda::UiText("表示(&D)"));
    add(view, "測定値表示(&D)\tF7", ID_CALC);
    add(view, "ヘッドA受光波形(&A)\tF5", ID_WAVE_A);
    add(view, "ヘッドB受光波形(&B)\tF6", ID_WAVE_B);
    add(view, "データストレージ(&S)\tF8", ID_STORAGE);
    QMenu* comm = m_menu->addMenu(qda::UiText("通信(&J)"));
    add(comm, "コントローラへ設定を送信(&S)\tF3", ID_SEND);
    add(comm, "コントローラから設定を受信(&L)\tF4", ID_RECEIVE);
    QMenu* option = m_menu->addMenu(qda::UiText("通信設定(&O)"));
    add(option, "PC通信設定(&C)", ID_PCCOMM);
    QMenu* help = m_menu->addMenu(qda::UiText("ヘルプ(&H)"));
    add(help, "ヘルプの表示(&H)", ID_HELP);
    add(help, "バージョン情報(&A)", ID_ABOUT);
    // The system menu's version item (string 101) has no system menu to go to here; the help
    // menu's own item opens the same dialog, so it is not repeated there with the same key.
}

CDrawnButton* CTR52Dlg::Button(int id) const {
    return qobject_cast<CDrawnButton*>(qda::FindControl(this, id));
}

QAction* CTR52Dlg::MenuAction(int id) const {
    return m_menu->findChild<QAction*>(QString::number(id));
}

void CTR52Dlg::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    // Each page fills the tab's display area less 8 units on the left, right and bottom, and starts
    // 8 units below the header.
    const QRect area = PageArea();
    for (QWidget* page : m_pages) {
        if (page != nullptr) page->setGeometry(area);
    }
}

QRect CTR52Dlg::PageArea() const {
    return m_tab->DisplayRect().adjusted(8, 6, -8, -8);
}

CTabHead* CTR52Dlg::HeadPage(int head) const {
    return static_cast<CTabHead*>(Page(head == 0 ? 0 : 1));
}

CTabOut* CTR52Dlg::OutPage(int out) const {
    return static_cast<CTabOut*>(Page(out == 0 ? 2 : 3));
}

CTabCommon* CTR52Dlg::CommonPage() const {
    return static_cast<CTabCommon*>(Page(4));
}

CTabList* CTR52Dlg::ListPage() const {
    return static_cast<CTabList*>(Page(5));
}

QWidget* CTR52Dlg::Page(int index) const {
    // Building a page changes no state the caller can see but the page's existence.
    return const_cast<CTR52Dlg*>(this)->EnsurePage(index);
}

QWidget* CTR52Dlg::EnsurePage(int index) {
    QWidget*& page = m_pages[static_cast<size_t>(index)];
    if (page != nullptr) return page;
    switch (index) {
        case 0:
            page = m_headA = new CTabHead(m_tab);
            break;
        case 1:
            page = m_headB = new CTabHead(m_tab);
            break;
        case 2:
            page = m_out1 = new CTabOut(m_tab);
            break;
        case 3:
            page = m_out2 = new CTabOut(m_tab);
            break;
        case 4:
            page = m_common = new CTabCommon(m_tab);
            break;
        default:
            page = m_list = new CTabList(m_tab);
            break;
    }
    page->hide();
    page->setGeometry(PageArea());
    page->setEnabled(m_pagesEnabled);
    PlaceInFocusChain(index);
    std::vector<std::function<void()>> calls;
    calls.swap(m_pendingCalls[static_cast<size_t>(index)]);
    for (const auto& call : calls) call();
    if (!calls.empty()) {
        // What a page shows always comes from its last load.
        switch (index) {
            case 0:
            case 1:
                static_cast<CTabHead*>(page)->RefreshPage();
                break;
            case 2:
            case 3:
                static_cast<CTabOut*>(page)->RefreshPage();
                break;
            case 4:
                m_common->RefreshPage();
                break;
            default:
                m_list->RefreshPage();
                break;
        }
    }
    return page;
}

void CTR52Dlg::PlaceInFocusChain(int index) {
    // A page built late joins the end of the window's focus chain; Tab must still lead from the
    // tab control through the pages in their order to the buttons below.
    QWidget* after = m_tab;
    for (int i = index - 1; i >= 0 && after == m_tab; --i) {
        QWidget* before = m_pages[static_cast<size_t>(i)];
        if (before == nullptr) continue;
        for (QWidget* w = before->nextInFocusChain(); w != before; w = w->nextInFocusChain()) {
            if (!before->isAncestorOf(w)) break;
            if (w->focusPolicy() != Qt::NoFocus && w->focusProxy() == nullptr) after = w;
        }
    }
    QWidget* page = m_pages[static_cast<size_t>(index)];
    std::vector<QWidget*> chain;
    for (QWidget* w = nextInFocusChain(); w != this; w = w->nextInFocusChain()) {
        if (page->isAncestorOf(w) && w->focusPolicy() != Qt::NoFocus && w->focusProxy() == nullptr)
            chain.push_back(w);
    }
    for (QWidget* w : chain) {
        QWidget::setTabOrder(after, w);
        after = w;
    }
}

void CTR52Dlg::CallPage(int index, bool replaces, std::function<void()> call) {
    if (m_pages[static_cast<size_t>(index)] != nullptr) {
        call();
        return;
    }
    auto& pending = m_pendingCalls[static_cast<size_t>(index)];
    if (replaces) pending.clear();
    pending.push_back(std::move(call));
}

std::string CTR52Dlg::ListText(const SettingsBlock& block, int program) const {
    return BuildSettingsListText(block, program);
}

void CTR52Dlg::LoadPagesFromProgram(int program) {
    const ProgramSetting& p = m_settings.Programs[program];
    const PcCommSetting pc = m_settings.PcComm;
    const int unit = m_settings.Environment.Unit;
    // A page not built yet gets copies of the records, loaded when it is built.
    CallPage(0, true, [this, head = p.HeadA, pc] {
        m_headA->LoadPage(this, WM_HEAD_SEND_SETTINGS, WM_HEAD_MODE_CHANGED, head, QStringLiteral("A"), pc,
                          &m_command);
    });
    CallPage(1, true, [this, head = p.HeadB, pc] {
        m_headB->LoadPage(this, WM_HEAD_SEND_SETTINGS, WM_HEAD_MODE_CHANGED, head, QStringLiteral("B"), pc,
                          &m_command);
    });
    CallPage(2, true, [this, out = p.Out1, unit, pc] {
        m_out1->LoadPage(this, WM_OUT_SEND_SETTINGS, WM_OUT_RELOAD, out, QStringLiteral("1"), unit, pc,
                         &m_command);
    });
    CallPage(3, true, [this, out = p.Out2, unit, pc] {
        m_out2->LoadPage(this, WM_OUT_SEND_SETTINGS, WM_OUT_RELOAD, out, QStringLiteral("2"), unit, pc,
                         &m_command);
    });
    CallPage(4, true, [this, common = p.Common, hold1 = p.Out1.OutMsrMode, hold2 = p.Out2.OutMsrMode] {
        m_common->LoadPage(this, common, hold1, hold2);
    });
    // The list page is loaded by RebuildListPage, which every caller runs afterwards: its texts
    // come from hidden page instances and are built once per change.
}

void CTR52Dlg::RefreshPages() {
    // A page not built yet is refreshed when it is.
    if (m_headA != nullptr) m_headA->RefreshPage();
    if (m_headB != nullptr) m_headB->RefreshPage();
    if (m_out1 != nullptr) m_out1->RefreshPage();
    if (m_out2 != nullptr) m_out2->RefreshPage();
    if (m_common != nullptr) m_common->RefreshPage();
    if (m_list != nullptr) m_list->RefreshPage();
}

void CTR52Dlg::RebuildListPage() {
    const int program = GetSelectedProgram();
    if (m_nCurTab != 5) {
        // The texts come from hidden page instances and cost a page build each: they are made when
        // the list page is shown. The page keeps the program's list word meanwhile.
        CallPage(5, true, [this, word = m_settings.Programs[program].ListWord, pc = m_settings.PcComm] {
            m_list->LoadPage(this, word, std::string(), std::string(), pc, &m_command);
        });
        m_listTextsStale = true;
        return;
    }
    UpdateListPage();
}

void CTR52Dlg::UpdateListPage() {
    const int program = GetSelectedProgram();
    // The reference text changes only with the reference copy or the program.
    if (!m_refTextValid || program != m_refTextProgram || !qda::IsSameBlock(m_refTextBlock, m_settingsRef)) {
        m_strRefListText = ListText(m_settingsRef, program);
        m_refTextBlock = m_settingsRef;
        m_refTextProgram = program;
        m_refTextValid = true;
    }
    EnsurePage(5);
    m_list->LoadPage(this, m_settings.Programs[program].ListWord, ListText(m_settings, program),
                     m_strRefListText, m_settings.PcComm, &m_command);
    m_list->RefreshPage();
    m_listTextsStale = false;
}

void CTR52Dlg::ShowPage(int index) {
    EnsurePage(index);
    for (size_t i = 0; i < m_pages.size(); ++i) {
        if (m_pages[i] != nullptr) m_pages[i]->setVisible(static_cast<int>(i) == index);
    }
}

int CTR52Dlg::GetSelectedProgram() const {
    for (int i = 0; i < 8; ++i) {
        if (m_programButtons[static_cast<size_t>(i)]->IsSelected()) return i;
    }
    return 0;
}

int CTR52Dlg::CheckPage(int tab, int headForm) {
    EnsurePage(tab);
    switch (tab) {
        case 0:
            return m_headA->CheckPage(headForm);
        case 1:
            return m_headB->CheckPage(headForm);
        case 2:
            return m_out1->CheckPage();
        case 3:
            return m_out2->CheckPage();
        case 4:
            return m_common->CheckPage();
        default:
            return m_list->CheckPage();
    }
}

void CTR52Dlg::StorePage(int tab) {
    EnsurePage(tab);
    ProgramSetting& p = m_settings.Programs[GetSelectedProgram()];
    switch (tab) {
        case 0:
            m_headA->StorePage(p.HeadA);
            break;
        case 1:
            m_headB->StorePage(p.HeadB);
            break;
        case 2:
            m_out1->StorePage(p.Out1);
            break;
        case 3:
            m_out2->StorePage(p.Out2);
            break;
        case 4:
            m_common->StorePage(p.Common);
            break;
        default:
            m_list->StorePage(p.ListWord);
            break;
    }
}

bool CTR52Dlg::CheckAndStorePage(int tab) {
    if (CheckPage(tab, 1) != 1) return false;
    StorePage(tab);
    return true;
}

bool CTR52Dlg::CommitPages(int headForm) {
    for (int tab = 0; tab < 6; ++tab) {
        if (CheckPage(tab, headForm) != 1) return false;
    }
    for (int tab = 0; tab < 6; ++tab) StorePage(tab);
    return true;
}

bool CTR52Dlg::TransparencyCheck(int program) {
    // Head A first, then head B; each head used as transparent object asks on its own.
    for (int head = 0; head < 2; ++head) {
        if (!qda::NeedsTransparencyQuestion(m_settings.Programs[program], head)) continue;
        if (ShowMessageCode(289, MB_OKCANCEL | MB_ICONQUESTION) == IDOK) continue;
        // Refused: the measuring mode or the calculation method gets the focus when its page shows.
        const int visible = m_nCurTab;
        if (visible == head || visible == 2 || visible == 3) {
            auto* page = static_cast<CSettingsPage*>(EnsurePage(visible));
            page->FocusControl(1017, false);
        }
        return false;
    }
    return true;
}

bool CTR52Dlg::SelectProgram(bool user, int index) {
    if (index < 0 || index > 7) return false;
    CDrawnButton* clicked = m_programButtons[static_cast<size_t>(index)];
    if (user) {
        if (!CommitPages(1) || !TransparencyCheck(m_nShownProgram)) {
            clicked->SetSelected(index == m_nShownProgram);
            return false;
        }
    }
    for (int i = 0; i < 8; ++i) {
        m_programButtons[static_cast<size_t>(i)]->SetSelected(i == index);
        m_markers[static_cast<size_t>(i)]->SetPicture(qda::DrawnPicture());
    }
    m_markers[static_cast<size_t>(index)]->SetPicture(qda::ProgramMarker());
    LoadPagesFromProgram(index);
    RefreshPages();
    m_nShownProgram = index;
    RebuildListPage();
    return true;
}

void CTR52Dlg::OnTabChanging(bool* refuse) {
    // An OUT page with an unconfirmed change of its display unit asks first; a refusal keeps the tab.
    // A page not built yet has had no change.
    if ((m_out1 != nullptr && !m_out1->CanLeave()) || (m_out2 != nullptr && !m_out2->CanLeave()))
        *refuse = true;
}

void CTR52Dlg::OnTabChanged() {
    const int next = m_tab->CurSel();
    if (!CheckAndStorePage(m_nCurTab)) {
        m_tab->SetCurSel(m_nCurTab);
        return;
    }
    const int program = GetSelectedProgram();
    if (next == 4) {
        // The common page sees the hold modes just stored.
        const ProgramSetting& p = m_settings.Programs[program];
        EnsurePage(4);
        m_common->LoadPage(this, p.Common, p.Out1.OutMsrMode, p.Out2.OutMsrMode);
        m_common->RefreshPage();
    } else if (next == 5) {
        // Entering the list page rebuilds the current text beside the reference text.
        m_nCurTab = next;
        UpdateListPage();
    }
    ShowPage(next);
    m_nCurTab = next;
    m_tab->setFocus();
}

void CTR52Dlg::MoveTab(int step) {
    const int next = m_tab->CurSel() + step;
    if (next < 0 || next > 5) return;
    bool refuse = false;
    OnTabChanging(&refuse);
    if (refuse) return;
    m_tab->SetCurSel(next);
    OnTabChanged();
}

void CTR52Dlg::OnCommand(int id) {
    switch (id) {
        case IDC_RECEIVE:
        case ID_RECEIVE:
            OnReceive();
            return;
        case IDC_SEND:
        case ID_SEND:
            OnSend();
            return;
        case IDC_COPY:
            OnCopy();
            return;
        case IDC_PASTE:
            OnPaste();
            return;
        case IDC_INIT:
            OnInitialise();
            return;
        case IDC_INIT_ALL:
            OnInitialiseAll();
            return;
        case IDC_ENVIRONMENT:
            OnEnvironment();
            return;
        case ID_PCCOMM:
            OnPcComm();
            return;
        case IDC_OPEN:
        case ID_FILE_OPEN:
            OnOpen();
            return;
        case IDC_SAVE:
        case ID_FILE_SAVE:
            OnSave();
            return;
        case IDC_HELP:
        case ID_HELP:
            OnHelp();
            return;
        case ID_ABOUT:
        case ID_SYS_ABOUT:
            OnAbout();
            return;
        case IDC_EXIT:
        case ID_EXIT:
            OnExit();
            return;
        case IDC_WAVE_A:
        case ID_WAVE_A:
            OnWaveWindow(0);
            return;
        case IDC_WAVE_B:
        case ID_WAVE_B:
            OnWaveWindow(1);
            return;
        case IDC_CALC:
        case ID_CALC:
            OnCalcWindow();
            return;
        case IDC_STORAGE:
        case ID_STORAGE:
            OnStorageWindow();
            return;
        default:
            break;
    }
    for (int i = 0; i < 8; ++i) {
        if (kProgramIds[i] == id) {
            SelectProgram(true, i);
            return;
        }
    }
}

bool CTR52Dlg::HandleKey(int key, Qt::KeyboardModifiers modifiers) {
    int program = 0;
    const qda::KeyAction action =
        qda::MapMainWindowKey(key, modifiers & Qt::ControlModifier, modifiers & Qt::AltModifier,
                              modifiers & Qt::ShiftModifier, &program);
    // A disabled window (a transfer runs) takes no commands from the keyboard either.
    auto enabled = [this](int id) {
        QWidget* w = qda::FindControl(this, id);
        return w != nullptr && w->isEnabled();
    };
    switch (action) {
        case qda::KeyAction::kNone:
            return false;
        case qda::KeyAction::kSwallow:
            return true;
        case qda::KeyAction::kPrevTab:
            if (m_tab->isEnabled()) MoveTab(-1);
            return true;
        case qda::KeyAction::kNextTab:
            if (m_tab->isEnabled()) MoveTab(1);
            return true;
        case qda::KeyAction::kOpen:
            if (enabled(IDC_OPEN)) QTimer::singleShot(0, this, [this] { OnCommand(IDC_OPEN); });
            return true;
        case qda::KeyAction::kSave:
            if (enabled(IDC_SAVE)) QTimer::singleShot(0, this, [this] { OnCommand(IDC_SAVE); });
            return true;
        case qda::KeyAction::kSelectProgram:
            if (enabled(kProgramIds[program])) SelectProgram(true, program);
            return true;
        case qda::KeyAction::kSend:
            if (enabled(IDC_SEND)) QTimer::singleShot(0, this, [this] { OnCommand(IDC_SEND); });
            return true;
        case qda::KeyAction::kReceive:
            if (enabled(IDC_RECEIVE)) QTimer::singleShot(0, this, [this] { OnCommand(IDC_RECEIVE); });
            return true;
        case qda::KeyAction::kHelp:
            QTimer::singleShot(0, this, [this] { OnHelp(); });
            return true;
        case qda::KeyAction::kWaveA:
            if (enabled(IDC_WAVE_A)) QTimer::singleShot(0, this, [this] { OnWaveWindow(0); });
            return true;
        case qda::KeyAction::kWaveB:
            if (enabled(IDC_WAVE_B)) QTimer::singleShot(0, this, [this] { OnWaveWindow(1); });
            return true;
        case qda::KeyAction::kCalcWindow:
            if (enabled(IDC_CALC)) QTimer::singleShot(0, this, [this] { OnCalcWindow(); });
            return true;
        case qda::KeyAction::kStorage:
            if (enabled(IDC_STORAGE)) QTimer::singleShot(0, this, [this] { OnStorageWindow(); });
            return true;
    }
    return false;
}

bool CTR52Dlg::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::KeyPress || e->type() == QEvent::KeyRelease) {
        auto* widget = qobject_cast<QWidget*>(watched);
        // Keys of this window and its pages only, and not while one of its modal dialogs runs.
        if (widget != nullptr && widget->window() == this && isEnabled() &&
            (QApplication::activeModalWidget() == nullptr || QApplication::activeModalWidget() == this)) {
            auto* key = static_cast<QKeyEvent*>(e);
            if (e->type() == QEvent::KeyRelease) {
                int program = 0;
                return qda::MapMainWindowKey(key->key(), key->modifiers() & Qt::ControlModifier,
                                             key->modifiers() & Qt::AltModifier,
                                             key->modifiers() & Qt::ShiftModifier,
                                             &program) != qda::KeyAction::kNone;
            }
            if (HandleKey(key->key(), key->modifiers())) return true;
        }
    }
    return QDialog::eventFilter(watched, e);
}

void CTR52Dlg::closeEvent(QCloseEvent* e) {
    // The window's close box is the exit command; the dialog ends only through it.
    e->ignore();
    if (!m_ended) QTimer::singleShot(0, this, [this] { OnExit(); });
}

bool CTR52Dlg::event(QEvent* e) {
    if (e->type() != qda::WindowMessageEvent::EventType()) return QDialog::event(e);
    auto* m = static_cast<qda::WindowMessageEvent*>(e);
    switch (m->message) {
        case WM_STARTUP_ACTION:
            if (m->wParam == 1) {
                if (!m_startupDone) {
                    m_startupDone = true;
                    StartupAction();
                }
            } else {
                RefreshPages();
            }
            break;
        case WM_TRANSFER_DONE:
            OnTransferDone(static_cast<int>(m->wParam), m->lParam == 1);
            break;
        case WM_HEAD_SEND_SETTINGS:
        case WM_OUT_SEND_SETTINGS:
            m->result = m->wParam == 0 ? OnSynchronousSend() : 0;
            break;
        case WM_HEAD_MODE_CHANGED:
            if (CWave* wave = m->wParam <= 1 ? WaveWindow(static_cast<int>(m->wParam)) : nullptr)
                wave->SetHeadMode(static_cast<int>(m->lParam));
            m->result = 0;
            break;
        case WM_OUT_RELOAD:
            if (m->wParam == 0) {
                ProgramSetting& p = m_settings.Programs[GetSelectedProgram()];
                EnsurePage(2);
                EnsurePage(3);
                m_out1->StorePage(p.Out1);
                m_out2->StorePage(p.Out2);
                const bool second = m->lParam == 1;
                CTabOut* page = second ? m_out2 : m_out1;
                page->LoadPage(this, WM_OUT_SEND_SETTINGS, WM_OUT_RELOAD, second ? p.Out2 : p.Out1,
                               second ? QStringLiteral("2") : QStringLiteral("1"),
                               m_settings.Environment.Unit, m_settings.PcComm, &m_command);
                page->ResetDisplayDependentValues();
                UpdatePasteButton();
            }
            m->result = 0;
            break;
        case WM_CONTROLLER_ERROR:
            OnControllerError(static_cast<int>(m->wParam));
            break;
        case WM_TRANSFER_REQUEST:
            m->result =
                OnTransferRequest(static_cast<int>(m->wParam), reinterpret_cast<SettingsBlock*>(m->lParam));
            break;
        default:
            return QDialog::event(e);
    }
    return true;
}

void CTR52Dlg::RestoreSavedState() {
    m_settings = qda::DefaultBlock();
    const Qt::KeyboardModifiers held = m_dialogs->QueryModifiers();
    const bool skip = held & (Qt::ShiftModifier | Qt::ControlModifier);
    if (!skip && m_options.store != nullptr) {
        // The saved block replaces the defaults only when every check passes (messages shown).
        qda::RestoreSavedState(*m_options.store, m_settings, false);
    } else if (skip && !(held & Qt::AltModifier)) {
        m_settings = qda::DefaultBlock();
    }
}

void CTR52Dlg::StartupAction() {
    m_dialogs->ShowSplash(this, QStringLiteral("Ver. %1").arg(m_options.versionText),
                          m_options.splashMilliseconds);
    const std::string file = qda::ExtractOpenArgument(m_options.commandLine.toStdString());
    const QFileInfo info(QString::fromStdString(file));
    if (!file.empty() && info.exists() && info.isFile() && qda::HasSettingsExtension(file)) {
        if (!LoadSettingsFile(info.filePath())) {
            ShowMessageCode(313, MB_ICONWARNING);
            ResetToDefaults(true);
        }
        m_bStartupPending = false;
        return;
    }
    switch (m_dialogs->ChooseStartup(this)) {
        case 0:
            OnReceive();
            break;  // the start-up form: m_bStartupPending is still set
        case 1:
            OnOpen();
            m_bStartupPending = false;
            break;
        case 2:
            ResetToDefaults(false);
            m_bStartupPending = false;
            break;
        default:
            break;  // closed with Esc: the restored or default settings stay
    }
}

void CTR52Dlg::ResetToDefaults(bool windowRecords) {
    qda::SetEnvironmentDefaults(m_settings.Environment);
    for (int p = 0; p < 8; ++p) SetProgramDefaults(m_settings, p, m_settings.Environment.Unit);
    if (windowRecords) {
        for (int i = 0; i < 2; ++i) {
            m_settings.WaveView[i].HeadLetter = '\0';
            m_settings.WaveView[i].InitialXScale = 0;
            if (m_wave[static_cast<size_t>(i)] && m_wave[static_cast<size_t>(i)]->IsIdle())
                m_wave[static_cast<size_t>(i)]->SetConnection(i == 0 ? 'A' : 'B', 0, m_settings.PcComm,
                                                              &m_command);
        }
        qda::SetCalcViewDefaults(m_settings.CalcView);
        if (m_calc) m_calc->SetConnection(m_settings.CalcView, m_settings.PcComm, &m_command);
        for (int g = 0; g < qda::kStorageGraphCount; ++g)
            qda::SetStorageGraphDefaults(m_settings.StorageGraph[g], g);
    }
    const int program = GetSelectedProgram();
    LoadPagesFromProgram(program);
    RefreshPages();
    m_settingsRef = m_settings;
    RebuildListPage();
}

void CTR52Dlg::AdoptImage(const SettingsBlock& image, int program) {
    if (image.Environment.Unit != m_settings.Environment.Unit) CSettingsCopyBuffer::Global().ClearAll();
    m_settings = image;
    m_settingsRef = image;
    SelectProgram(false, program);
}

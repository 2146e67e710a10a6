// The message table, the Japanese texts and the message display core.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <thread>

#include "resources/ConsoleMessageBackend.h"
#include "resources/Messages.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"
#include "support/ScriptedMessageBackend.h"

namespace {

using qda::test::RecordingWindow;
using qda::test::ScopedMessageBackend;
using qda::test::ScriptedMessageBackend;

class MessagesTest : public ::testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }
    static void Reset() {
        SetMessageSilent(0);
        SetMessageOwner(nullptr);
        qda::SelectLanguage("jp");
    }
    ScriptedMessageBackend backend;
    ScopedMessageBackend installed{backend};
};

TEST_F(MessagesTest, SilentModeAnswersFixedValueAndShowsNothing) {
    struct Case {
        unsigned style;
        int answer;
    };
    const Case cases[] = {
        {MB_OK | MB_ICONINFORMATION, 0},
        {MB_OK | MB_ICONWARNING, 0},
        {MB_OK | MB_ICONERROR, 0},
        {MB_YESNO | MB_ICONQUESTION, IDYES},    // 0x24
        {MB_OKCANCEL | MB_ICONQUESTION, 0},     // 0x21: callers read 0 as a refusal
        {MB_YESNOCANCEL | MB_ICONQUESTION, 0},  // 0x23
        {0x02, IDYES},                          // abort/retry/ignore: bit 1
        {0x05, 0},                              // retry/cancel: bit 0
    };
    SetMessageSilent(1);
    for (const Case& c : cases) {
        EXPECT_EQ(ShowMessage("text", c.style), c.answer) << "style " << c.style;
        EXPECT_EQ(SilentAnswer(c.style), c.answer);
    }
    EXPECT_TRUE(backend.Shown().empty());
    EXPECT_EQ(IsMessageSilent(), 1);
}

TEST_F(MessagesTest, ShowsWithApplicationCaptionAndReturnsTheAnswer) {
    backend.QueueAnswer(IDNO);
    EXPECT_EQ(ShowMessageCode(301, MB_YESNOCANCEL | MB_ICONQUESTION), IDNO);
    ASSERT_EQ(backend.Shown().size(), 1u);
    EXPECT_EQ(backend.Shown()[0].caption, "QD-Atlas");
    EXPECT_EQ(backend.Shown()[0].text, "現在の設定内容を保存しますか？");
    EXPECT_EQ(backend.Shown()[0].style, 0x23u);
}

TEST_F(MessagesTest, OwnerStaysDisabledUntilTheOuterBoxCloses) {
    RecordingWindow owner;
    SetMessageOwner(&owner);
    int nestingInInner = -1;
    bool ownerEnabledAfterInner = true;
    backend.SetOnShow([&](const qda::test::ShownMessage& m) {
        if (m.text == "outer") {
            ShowMessage("inner", MB_OK);
            ownerEnabledAfterInner = owner.enabled;
        } else {
            nestingInInner = GetMessageNesting();
        }
    });
    ShowMessage("outer", MB_OK);
    EXPECT_EQ(nestingInInner, 2);
    EXPECT_FALSE(ownerEnabledAfterInner);
    EXPECT_TRUE(owner.enabled);
    EXPECT_EQ(owner.history, (std::vector<bool>{false, false, true}));
    EXPECT_EQ(GetMessageNesting(), 0);
}

TEST_F(MessagesTest, OwnerChangedWhileBoxOpenLeavesNoWindowDisabled) {
    RecordingWindow first, second;
    SetMessageOwner(&first);
    backend.SetOnShow([&](const qda::test::ShownMessage& m) {
        if (m.text != "outer") return;
        SetMessageOwner(&second);  // a dialog registers itself while the box is open
        ShowMessage("inner", MB_OK);
    });
    ShowMessage("outer", MB_OK);
    EXPECT_TRUE(first.enabled);
    EXPECT_TRUE(second.enabled);
}

TEST_F(MessagesTest, QuotedExamplesOfTheTable) {
    struct Case {
        int code;
        int stringId;
        const char* text;
    };
    const Case cases[] = {
        {0, 10000, "ヘッドA"},
        {244, 10266, "QD-Atlasはすでに起動しています。"},
        {301, 10318, "現在の設定内容を保存しますか？"},
        {378, 34865, "コントローラの初期化が終了しました。"},
        {385, 10009, "Far"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MessageTable[c.code].stringId, c.stringId) << c.code;
        EXPECT_EQ(LoadMessage(c.code), c.text) << c.code;
        std::string text = "previous";
        EXPECT_EQ(&LoadMessage(c.code, text), &text);
        EXPECT_EQ(text, c.text);
    }
}

TEST_F(MessagesTest, TableCoversEveryCodeWithItsOwnString) {
    std::set<int> tableIds;
    for (int code = 0; code < kMessageCount; ++code) {
        EXPECT_EQ(MessageTable[code].code, code);
        tableIds.insert(MessageTable[code].stringId);
    }
    EXPECT_EQ(tableIds.size(), static_cast<size_t>(kMessageCount));
    std::set<int> japaneseIds;
    for (const qda::StringResource& s : qda::JapaneseStrings()) {
        EXPECT_TRUE(japaneseIds.insert(s.id).second) << "string " << s.id << " twice";
        EXPECT_NE(s.text, nullptr);
    }
    for (int id : tableIds) EXPECT_TRUE(japaneseIds.count(id)) << "string " << id << " missing";
}

TEST_F(MessagesTest, TextsOfTheProgramsMessages) {
    struct Case {
        int code;
        const char* text;
    };
    const Case cases[] = {
        {3, "設定一覧"},
        {7, "QD-Atlas設定ファイル (*%s)|*%s||"},
        {191, "受\n光\n量"},
        {251, "アラーム処理回数を設定してください。\n設定可能範囲は%d～%dです。"},
        {289,
         "OUTの演算方法で”透明体”を設定しているヘッドの測定モードが\n”透明体”または”透明体2”に設定されていま"
         "せん。\n"
         "正しい測定ができない可能性がありますが、よろしいですか？"},
        {302,
         "現在の最小表示単位設定では、以下の設定内容が初期化されます。\n\u3000・\u3000公差設定の“上限値”、“下"
         "限値”、"
         "“ヒステリシス”\n\u3000・\u3000スケーリングの“入力値1、2”および“表示値1、2”\n\u3000・\u3000オフセッ"
         "ト\n"
         "\u3000・\u3000アナログ出力スケーリングの“表示値1、2”および”出力値1、2”\n\u3000・\u3000オートゼロ値"
         "\n\n"
         "よろしいですか？"},
        {313, "初期値で起動します"},
        {325, "設定可能範囲は%d～%dです。"},
        {335, "蓄積データファイルの書き込みが失敗しました。"},
        {336, "蓄積データファイルの読み込みが失敗しました。"},
        {337, "蓄積データ数 - OUT1 : %s OUT2 : %s   現在の状態 - %s\n"},
        {375, "ヘッドA・Bにエラーが発生しています。\n弊社までご連絡ください。"},
        {377, "通信に失敗しました"},
        {384, "Near"},
    };
    for (const Case& c : cases) EXPECT_EQ(LoadMessage(c.code), c.text) << "message " << c.code;
    EXPECT_EQ(qda::LoadResourceString(qda::kStrStatusStateError), "状態エラー");
    EXPECT_EQ(qda::LoadResourceString(qda::kStrAboutMenuItem), "QD-Atlas のバージョン情報(&A)...");
    EXPECT_EQ(qda::LoadResourceString(qda::kStrListHeadSection),
              "[ヘッド設定]\t\t\t[ヘッドA]\t[ヘッドB]\r\n");
    EXPECT_EQ(qda::LoadResourceString(qda::kStrStorageCountFormat), "%5d点");
}

TEST_F(MessagesTest, CodeOutsideTheTableGivesEmptyText) {
    for (int code : {-1, kMessageCount, 100000}) {
        std::string text = "kept?";
        EXPECT_EQ(LoadMessage(code, text), "");
    }
}

TEST_F(MessagesTest, LanguageModuleReplacesTextsOfTheSameIdentifiers) {
    EXPECT_FALSE(qda::SelectLanguage("xx"));
    EXPECT_EQ(qda::CurrentLanguage(), "jp");
    static const qda::StringResource kTest[] = {{10000, "test head A"}};
    ASSERT_TRUE(qda::RegisterLanguageStrings("test", kTest));
    EXPECT_FALSE(qda::RegisterLanguageStrings("jp", kTest));
    ASSERT_TRUE(qda::SelectLanguage("test"));
    EXPECT_EQ(LoadMessage(0), "test head A");
    EXPECT_EQ(LoadMessage(1), "");  // the module lacks it: nothing found, as a resource lookup
    ASSERT_TRUE(qda::SelectLanguage("jp"));
    EXPECT_EQ(LoadMessage(0), "ヘッドA");
}

TEST_F(MessagesTest, PumpMessagesRunsOnePassPerTenMilliseconds) {
    const std::pair<int, int> cases[] = {{-5, 0}, {0, 0}, {1, 1}, {10, 1}, {11, 2}, {30, 3}};
    for (auto [ms, passes] : cases) {
        RecordingWindow window;
        PumpMessages(&window, ms);
        EXPECT_EQ(window.dispatches, passes) << ms << " ms";
    }
    RecordingWindow gone;
    gone.created = false;
    PumpMessages(&gone, 20);
    EXPECT_EQ(gone.dispatches, 0);
}

TEST_F(MessagesTest, BoxesFromTwoThreadsLeaveTheOwnerEnabled) {
    RecordingWindow owner;
    SetMessageOwner(&owner);
    auto show = [] {
        for (int i = 0; i < 200; ++i) ShowMessage("worker", MB_OK | MB_ICONWARNING);
    };
    std::thread a(show), b(show);
    a.join();
    b.join();
    EXPECT_EQ(GetMessageNesting(), 0);
    EXPECT_TRUE(owner.enabled);
    EXPECT_EQ(backend.Shown().size(), 400u);
}

TEST(ConsoleMessageBackendTest, NeverAgreesToAQuestionUnlessTold) {
    struct Case {
        unsigned style;
        int answer;
        int answerAssumingYes;
    };
    const Case cases[] = {
        {MB_OK | MB_ICONWARNING, IDOK, IDOK},
        {MB_YESNO | MB_ICONQUESTION, IDNO, IDYES},
        {MB_OKCANCEL | MB_ICONQUESTION, IDCANCEL, IDOK},
        {MB_YESNOCANCEL | MB_ICONQUESTION, IDCANCEL, IDYES},
    };
    for (const Case& c : cases) {
        std::ostringstream out;
        qda::ConsoleMessageBackend console(out);
        EXPECT_EQ(console.Show("QD-Atlas", "本文", c.style), c.answer);
        EXPECT_EQ(out.str().rfind("QD-Atlas: 本文\n", 0), 0u) << out.str();
        console.SetAssumeYes(true);
        EXPECT_EQ(console.Show("QD-Atlas", "本文", c.style), c.answerAssumingYes);
    }
}

TEST(ConsoleMessageBackendTest, IsTheDefaultBackend) {
    // With no backend installed ShowMessage must not block: the console backend answers.
    qda::IMessageBackend* previous = qda::SetMessageBackend(nullptr);
    EXPECT_NE(dynamic_cast<qda::ConsoleMessageBackend*>(&qda::CurrentMessageBackend()), nullptr);
    EXPECT_EQ(ShowMessage("question", MB_YESNO | MB_ICONQUESTION), IDNO);
    qda::SetMessageBackend(previous);
}

}  // namespace

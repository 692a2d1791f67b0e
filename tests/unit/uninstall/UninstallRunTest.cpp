#include "UninstallRunFixture.h"

#include <algorithm>
#include <functional>
#include <stdexcept>

#include "util/ShiftJisText.h"

namespace lorvel::testing {
namespace {

constexpr const char* kDone = "完了";
constexpr const char* kConfirm = "ファイル削除の確認";

TEST(UninstallRunTableTest, EachFlagAndSharedCountDecidesWithItsAnswer)
{
    struct Row {
        const char* name;
        std::string path;
        std::string flags;
        int count;           // shared count before; 0: none
        int boxAnswer;       // the Yes/No box's answer, if one is asked
        const char* dialog;  // the four-answer dialog's answer, if it is shown
        bool deleted;
        int countAfter;
        std::vector<std::string> asked;  // captions before the completion message
        int dialogs;
    };
    const std::string app = "C:\\APP\\";
    const std::string sys = "C:\\WINDOWS\\SYSTEM32\\";
    const std::vector<Row> rows = {
        {"plain file", app + "A.TXT", "", 0, 0, nullptr, true, 0, {}, 0},
        {"shared without /S stays silently", app + "S.DLL", "", 1, 0, nullptr, false, 1, {}, 0},
        {"shared count 2 loses one and stays", app + "S.DLL", ",/S", 2, 0, nullptr, false, 1, {}, 0},
        {"shared count 1, answered Yes", app + "S.DLL", ",/S", 1, 0, "Yes", true, 0, {}, 1},
        {"shared count 1, answered No: the count is gone all the same",
         app + "S.DLL",
         ",/S",
         1,
         0,
         "No",
         false,
         0,
         {},
         1},
        {"shared count 1, dialog closed without an answer", app + "S.DLL", ",/S", 1, 0, nullptr, false, 0, {}, 1},
        {"/C answered Yes", app + "C.OCX", ",/C", 0, box::kYes, nullptr, true, 0, {kConfirm}, 0},
        {"/C answered No", app + "C.OCX", ",/C", 0, box::kNo, nullptr, false, 0, {kConfirm}, 0},
        {"/L keeps", sys + "L.DLL", ",/L", 0, 0, nullptr, false, 0, {}, 0},
        {"/F deletes a system component without asking", sys + "F.DLL", ",/F", 0, 0, nullptr, true, 0, {}, 0},
        {"a component in the system folder, Yes", sys + "Q.DLL", "", 0, box::kYes, nullptr, true, 0, {kConfirm}, 0},
        {"a component in the system folder, No", sys + "Q.DLL", "", 0, box::kNo, nullptr, false, 0, {kConfirm}, 0},
        {"a component in the Windows folder, lower case",
         "c:\\windows\\q.ocx",
         "",
         0,
         box::kNo,
         nullptr,
         false,
         0,
         {kConfirm},
         0},
        {"a component in the setup folder goes silently", app + "OWN.DLL", "", 0, 0, nullptr, true, 0, {}, 0},
        {"flags in lower case count", app + "S.DLL", ",/s", 1, 0, "Yes", true, 0, {}, 1},
        {"/S beyond the five characters is not seen", app + "S.DLL", ",/R/W/S", 1, 0, nullptr, false, 1, {}, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TestMachine fresh;
        UninstallMachine t;
        t.vm.Put(row.path, "data");
        t.vm.Put("C:\\APP\\KEEP.TXT");  // keeps the setup folder, so only the decision is seen
        if (row.count > 0) t.SetSharedCount(row.path, static_cast<std::uint32_t>(row.count));
        if (row.boxAnswer) t.view.answers.push_back(row.boxAnswer);
        if (row.dialog) t.view.deletionAnswers.push_back(row.dialog);
        t.Record("[DeleteFile]\r\nFile1=" + row.path + row.flags + "\r\n");
        t.RunUninstall();
        EXPECT_EQ(t.Exists(row.path), !row.deleted);
        EXPECT_EQ(t.SharedCount(row.path), row.countAfter);
        std::vector<std::string> asked;
        for (const auto& q : t.view.RunQuestions())
            if (q.caption != "警告") asked.push_back(q.caption);
        EXPECT_EQ(asked, row.asked);
        EXPECT_EQ(static_cast<int>(t.view.deletionQuestions.size()), row.dialogs);
        if (row.dialogs > 0) {
            EXPECT_EQ(t.view.deletionQuestions[0].rfind(row.path + "\r\rこの共有ファイルは，", 0), 0u);
        }
    }
}

TEST(UninstallRunTableTest, DeleteAllAndSaveAllAnswerTheRestOfTheRunWhileOtherQuestionsAreAskedEveryTime)
{
    struct Row {
        const char* answer;
        bool deleted;
    };
    for (const Row row : {Row{"Delete", true}, Row{"Save", false}}) {
        SCOPED_TRACE(row.answer);
        UninstallMachine t;
        std::string section = "[DeleteFile]\r\n";
        for (int i = 1; i <= 3; ++i) {
            const std::string path = "C:\\APP\\S" + std::to_string(i) + ".DLL";
            t.vm.Put(path);
            t.SetSharedCount(path, 1);
            section += "File" + std::to_string(2 * i - 1) + "=" + path + ",/S\r\n";
            const std::string confirmed = "C:\\APP\\C" + std::to_string(i) + ".OCX";
            t.vm.Put(confirmed);
            section += "File" + std::to_string(2 * i) + "=" + confirmed + ",/C\r\n";
        }
        t.view.deletionAnswers = {row.answer, "No", "No"};
        t.view.answers = {box::kYes, box::kNo, box::kYes};
        t.Record(section);
        t.RunUninstall();
        EXPECT_EQ(t.view.deletionQuestions.size(), 1u) << "asked once for the three shared files";
        EXPECT_EQ(t.view.answerSlot, row.answer);
        for (int i = 1; i <= 3; ++i) EXPECT_EQ(t.Exists("C:\\APP\\S" + std::to_string(i) + ".DLL"), !row.deleted);
        const std::vector<std::string> captions = t.QuestionCaptions();
        EXPECT_EQ(std::count(captions.begin(), captions.end(), kConfirm), 3) << "each /C file is asked about";
        EXPECT_FALSE(t.Exists("C:\\APP\\C1.OCX"));
        EXPECT_TRUE(t.Exists("C:\\APP\\C2.OCX"));
        EXPECT_FALSE(t.Exists("C:\\APP\\C3.OCX"));
    }
}

// The wizard keeps the slot as a word in its hidden label and an answers file names
// it by the same words; any other word leaves the question unanswered, which keeps
// the file.
TEST(DeletionAnswerTest, WordsAndAnswersMapBothWays)
{
    const std::pair<std::string, DeletionAnswer> rows[] = {
        {"Yes", DeletionAnswer::Yes},     {"No", DeletionAnswer::No},        {"Delete", DeletionAnswer::Delete},
        {"Save", DeletionAnswer::Save},   {"", DeletionAnswer::None},        {"Can't Delete", DeletionAnswer::None},
        {"delete", DeletionAnswer::None}, {"Delete ", DeletionAnswer::None},
    };
    for (const auto& [word, answer] : rows) {
        SCOPED_TRACE(word);
        EXPECT_EQ(AnswerOfWord(word), answer);
        if (answer != DeletionAnswer::None) {
            EXPECT_EQ(AnswerWord(answer), word);
        }
    }
    EXPECT_EQ(AnswerWord(DeletionAnswer::None), "");
}

TEST_F(UninstallRunTest, AnAnswerSlotLeftFromEarlierAnswersAtOnce)
{
    vm.Put("C:\\APP\\S.DLL");
    SetSharedCount("C:\\APP\\S.DLL", 1);
    view.answerSlot = "Save";
    Record("[DeleteFile]\r\nFile1=C:\\APP\\S.DLL,/S\r\n");
    RunUninstall();
    EXPECT_TRUE(view.deletionQuestions.empty());
    EXPECT_TRUE(Exists("C:\\APP\\S.DLL"));
}

TEST(UninstallRunTableTest, PatternsAndDeleteEverythingReachTheSetupFolderAndTheFoldersInsideIt)
{
    struct Row {
        const char* name;
        bool first, second, othersVisible;
        std::vector<std::string> remaining;  // of the files below
        bool setupFolderGone;
        bool subFolderGone;
        const char* reason;  // in the setup folder's failure record; nullptr: none
    };
    const std::vector<std::string> files = {"C:\\APP\\A.INI",      "C:\\APP\\A.GID",    "C:\\APP\\SUB\\B.INI",
                                            "C:\\APP\\SUB\\B.GID", "C:\\APP\\USER.DAT", "C:\\APP\\SUB\\DEEP\\C.DAT"};
    const std::vector<Row> rows = {
        {"nothing ticked", false, false, true, files, false, false, "フォルダにファイルが残っているため，"},
        {"*.INI",
         true,
         false,
         true,
         {"C:\\APP\\A.GID", "C:\\APP\\SUB\\B.GID", "C:\\APP\\USER.DAT", "C:\\APP\\SUB\\DEEP\\C.DAT"},
         false,
         false,
         "フォルダにファイルが残っているため，"},
        {"*.INI and *.GID",
         true,
         true,
         true,
         {"C:\\APP\\USER.DAT", "C:\\APP\\SUB\\DEEP\\C.DAT"},
         false,
         false,
         "フォルダにファイルが残っているため，"},
        {"*.GID only",
         false,
         true,
         true,
         {"C:\\APP\\A.INI", "C:\\APP\\SUB\\B.INI", "C:\\APP\\USER.DAT", "C:\\APP\\SUB\\DEEP\\C.DAT"},
         false,
         false,
         "フォルダにファイルが残っているため，"},
        {"DeleteAll", true, false, false, {}, true, true, nullptr},
        {"DeleteAll layout left unticked", false, false, false, files, false, false,
         "フォルダにファイルが残っているため，"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        UninstallMachine t;
        t.view.options.desktop = row.first;
        t.view.options.startMenu = row.second;
        t.view.options.startMenuVisible = t.view.options.startupVisible = t.view.options.sendToVisible =
            row.othersVisible;
        for (const std::string& f : files) t.vm.Put(f);
        t.Record("[DeleteFolder]\r\nFolder1=C:\\APP\\SUB\\\r\nFolder2=C:\\APP\\SUB\\DEEP\\\r\n");
        t.RunUninstall();
        std::vector<std::string> remaining;
        for (const std::string& f : files)
            if (t.Exists(f)) remaining.push_back(f);
        EXPECT_EQ(remaining, row.remaining);
        EXPECT_EQ(t.Exists("C:\\APP"), !row.setupFolderGone);
        EXPECT_EQ(t.Exists("C:\\APP\\SUB"), !row.subFolderGone);
        if (row.reason) {
            EXPECT_NE(
                t.failures.text.find(
                    "<SetupFolder> C:\\APP\\\r\n" + std::string(row.reason) +
                    "セットアップフォルダを削除できませんでした．エクスプローラなどから，直接削除してください．\r\n"),
                std::string::npos)
                << t.failures.text;
        } else {
            EXPECT_EQ(t.failures.count, 0) << t.failures.text;
        }
    }
}

TEST_F(UninstallRunTest, FoldersAreRemovedLastFirstAndAFolderOutsideTheSetupFolderKeepsItsIniFiles)
{
    vm.Put("C:\\DATA\\X.INI");
    vm.Put("C:\\APP\\B\\C\\Y.INI");
    view.options.desktop = true;
    Record("[DeleteFolder]\r\nFolder1=C:\\APP\\B\\\r\nFolder2=C:\\APP\\B\\C\\\r\nFolder3=C:\\DATA\\\r\n");
    RunUninstall();
    EXPECT_FALSE(Exists("C:\\APP\\B")) << "C:\\APP\\B\\C\\ went first, so B was empty";
    EXPECT_TRUE(Exists("C:\\DATA\\X.INI"));
    EXPECT_EQ(failures.count, 1);
    EXPECT_EQ(failures.text.rfind("<Folder> C:\\DATA\\\r\n", 0), 0u) << failures.text;
}

TEST(UninstallRunTableTest, ASetupFolderTheSystemUsesIsLeftAloneWithoutAFailure)
{
    for (const std::string folder :
         {"C:\\WINDOWS\\", "c:\\windows\\system32\\", "C:\\WINDOWS\\TEMP\\", "C:\\Program Files\\", "D:\\",
          "C:\\Documents and Settings\\User\\デスクトップ\\"}) {
        SCOPED_TRACE(folder);
        UninstallMachine t;
        t.vm.machine.SetDisk('D', {});
        t.view.options.folderText = folder;
        t.view.options.desktop = true;
        t.view.options.startMenuVisible = t.view.options.startupVisible = t.view.options.sendToVisible = false;
        t.vm.Put(folder + "KEEP.TXT");
        t.Record("", folder);
        t.RunUninstall();
        EXPECT_TRUE(t.Exists(folder + "KEEP.TXT"));
        EXPECT_EQ(t.failures.count, 0) << t.failures.text;
    }
}

TEST(UninstallRunTableTest, TheSetupFolderFailureTellsWhy)
{
    struct Row {
        const char* name;
        bool deleteEverything;
        std::function<void(UninstallMachine&)> prepare;
        std::string expected;
    };
    const std::string tail =
        "セットアップフォルダを削除できませんでした．エクスプローラなどから，直接削除してください．\r\n";
    const std::vector<Row> rows = {
        {"a file left", false, [](UninstallMachine& t) { t.vm.Put("C:\\APP\\LEFT.TXT"); },
         "<SetupFolder> C:\\APP\\\r\nフォルダにファイルが残っているため，" + tail},
        {"delete-everything meets a locked file", true,
         [](UninstallMachine& t) {
             t.vm.Put("C:\\APP\\LOCKED.TXT");
             t.vm.machine.LockFile("C:\\APP\\LOCKED.TXT");
         },
         "<SetupFolder> C:\\APP\\\r\n全ファイル・フォルダの削除を試みましたが，エラーが発生したため，" + tail},
        {"the folder is gone already", false, [](UninstallMachine& t) { t.vm.platform.files.RemoveFolder("C:\\APP"); },
         "<SetupFolder> C:\\APP\\\r\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        UninstallMachine t;
        t.view.options.desktop = row.deleteEverything;
        t.view.options.startMenuVisible = t.view.options.startupVisible = t.view.options.sendToVisible =
            !row.deleteEverything;
        row.prepare(t);
        t.Record("");
        t.RunUninstall();
        EXPECT_EQ(t.failures.count, 1);
        EXPECT_EQ(t.failures.text.rfind(row.expected, 0), 0u) << t.failures.text;
        ASSERT_EQ(t.view.details.size(), 0u) << "details only on Yes";
    }
}

TEST(UninstallRunTableTest, ALinkInTheSetupFolderGoesAndItsTargetStays)
{
    struct Row {
        const char* name;
        bool deleteEverything;
        std::string sections;
    };
    const Row rows[] = {
        {"delete everything", true, ""},
        {"the *.INI option", false, ""},
        {"a wildcard through the link", false, "[DeleteFile]\r\nFile1=C:\\APP\\LINK\\*.*\r\n"},
        {"a named file through the link", false, "[DeleteFile]\r\nFile1=C:\\APP\\LINK\\NOTES.INI\r\n"},
        {"the link as a recorded folder", false, "[DeleteFolder]\r\nFolder1=C:\\APP\\LINK\\\r\n"},
        {"a folder holding the link", false, "[DeleteFolder]\r\nFolder1=C:\\APP\\SUB\\\r\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        UninstallMachine t;
        t.view.options.desktop = row.deleteEverything;
        t.view.options.startMenuVisible = t.view.options.startupVisible = t.view.options.sendToVisible =
            !row.deleteEverything;
        t.vm.Put("C:\\USERS\\ME\\DOCS\\NOTES.INI", "mine");
        t.vm.Put("C:\\USERS\\ME\\DOCS\\SUB\\LETTER.TXT", "mine");
        t.vm.Put("C:\\APP\\APP.INI");
        t.vm.machine.MakeFolderLink("C:\\APP\\LINK", "C:\\USERS\\ME\\DOCS");
        t.vm.Put("C:\\APP\\SUB\\A.INI");
        t.vm.machine.MakeFolderLink("C:\\APP\\SUB\\LINK", "C:\\USERS\\ME\\DOCS");
        t.Record(row.sections);
        t.RunUninstall();
        EXPECT_EQ(t.vm.Get("C:\\USERS\\ME\\DOCS\\NOTES.INI"), "mine") << t.failures.text;
        EXPECT_EQ(t.vm.Get("C:\\USERS\\ME\\DOCS\\SUB\\LETTER.TXT"), "mine");
        if (row.deleteEverything) {
            EXPECT_FALSE(t.Exists("C:\\APP")) << "the links went with the folder: " << t.failures.text;
        }
    }
}

// A folder on a deleted file's way swapped for a link to the user's documents, during
// a question or, where others may change a folder above the setup folder, before.
TEST(UninstallRunTableTest, AFolderSwappedForALinkIsSeenWhenTheFilesTurnComes)
{
    struct Row {
        const char* what;
        const char* flags;
        std::uint32_t count;
        const char* setup;
        const char* swapped;
        const char* victim;
        bool duringQuestion;
    };
    const Row rows[] = {
        {"during the deletion question (/C)", ",/C", 0, "C:\\APP\\", "C:\\APP\\SUB", "C:\\USERS\\ME\\DOCS\\NOTES.TXT",
         true},
        {"during the shared-file question", ",/S", 1, "C:\\APP\\", "C:\\APP\\SUB", "C:\\USERS\\ME\\DOCS\\NOTES.TXT",
         true},
        {"a folder above the setup folder that others may change", "", 0, "C:\\TOOLS\\APP\\", "C:\\TOOLS",
         "C:\\USERS\\ME\\DOCS\\APP\\SUB\\NOTES.TXT", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        UninstallMachine t;
        const std::string installed = std::string(row.setup) + "SUB\\NOTES.TXT";
        t.vm.Put(row.victim, "mine");
        t.vm.Put(installed, "installed");
        if (!row.duringQuestion) t.vm.machine.LetOthersWrite(row.swapped);
        if (row.count) t.SetSharedCount(installed, row.count);
        t.Record("[DeleteFile]\r\nFile1=" + installed + row.flags + "\r\n", row.setup);
        t.view.options.folderText = row.setup;
        t.view.answers = {box::kYes};
        t.view.deletionAnswers = {"Yes"};
        const auto swap = [&t, &row] { t.vm.SwapForLink(row.swapped, "C:\\USERS\\ME\\DOCS"); };
        if (row.duringQuestion)
            t.view.onAsk = [&t, swap] {
                swap();
                t.view.onAsk = nullptr;
            };
        else
            swap();
        t.RunUninstall();
        EXPECT_EQ(t.vm.Get(row.victim), "mine") << t.failures.text;
        EXPECT_NE(t.failures.text.find(installed), std::string::npos) << t.failures.text;
    }
}

TEST_F(UninstallRunTest, FailuresAreOfferedAndShownWithAVerticalScrollBar)
{
    Record("[DeleteFile]\r\nFile1=C:\\APP\\GONE.TXT\r\n[AddDeleteFile]\r\nFile1=C:\\APP\\ALSO-GONE.TXT\r\n");
    view.answers = {box::kYes};
    RunUninstall();
    ASSERT_EQ(failures.count, 1) << "a missing AddDeleteFile entry is not reported";
    EXPECT_EQ(failures.text.rfind("<File> C:\\APP\\GONE.TXT\r\n", 0), 0u);
    ASSERT_GE(view.questions.size(), 2u);
    EXPECT_EQ(view.questions[0].caption, "警告");
    EXPECT_EQ(view.questions[0].flags, box::kWarningYesNo);
    EXPECT_EQ(view.questions[0].text,
              "アンセットアップ(アンインストール)の過程で，一部の処理が失敗しました．\r詳細を表示しますか？");
    ASSERT_EQ(view.details.size(), 1u);
    EXPECT_EQ(view.details[0].caption, "削除処理失敗　詳細表示");
    EXPECT_EQ(view.details[0].text, failures.text);
    EXPECT_TRUE(view.detailsVerticalScrollBar);
    EXPECT_EQ(view.questions.back().caption, kDone);
    EXPECT_EQ(view.questions.back().text, "アンセットアップを完了しました．");
    EXPECT_EQ(view.questions.back().flags, box::kInformationOk);
    EXPECT_TRUE(view.ended);
}

TEST_F(UninstallRunTest, TheStartDisablesTheOptionsAndRemovesTheFolderMemorySection)
{
    vm.Put("C:\\WINDOWS\\KORAT98.INI", "[ThisApp]\r\nFolder=C:\\APP\\\r\n[Other]\r\nFolder=C:\\OTHER\\\r\n");
    Record("[ProgramID]\r\nID=ThisApp\r\n");
    RunUninstall();
    EXPECT_TRUE(view.optionsDisabled);
    EXPECT_TRUE(view.wizardHidden);
    EXPECT_EQ(vm.Get("C:\\WINDOWS\\KORAT98.INI"), "[Other]\r\nFolder=C:\\OTHER\\\r\n");
    EXPECT_EQ(view.statuses.front(), "アンセットアップ(アンインストール)を行っています．．．");
    EXPECT_EQ(vm.platform.files.GetCurrentFolder(), "C:\\WINDOWS\\TEMP");
    EXPECT_FALSE(Exists("C:\\APP"));
}

TEST_F(UninstallRunTest, ARecordWithoutASetupFolderStopsAtOnceAndRemovesNothing)
{
    for (const std::string folderBox : {"\\", "", "C:\\APP\\"}) {
        SCOPED_TRACE(folderBox);
        view = RecordingView{};
        view.ended = false;
        view.options.folderText = folderBox;
        vm.Put("C:\\APP\\A.TXT");
        vm.Put("C:\\WINDOWS\\KORAT98.INI", "[ThisApp]\r\nFolder=C:\\APP\\\r\n");
        // The box shows the record's folder; the third row has a box but no record value.
        vm.Put(UninstallMachine::kRecord, "[DeleteFile]\r\nFile1=C:\\APP\\A.TXT\r\n[ProgramID]\r\nID=ThisApp\r\n");
        RunUninstall();
        ASSERT_EQ(view.questions.size(), 1u);
        EXPECT_EQ(view.questions[0].caption, "致命的エラー");
        EXPECT_EQ(view.questions[0].flags, box::kStopOk);
        EXPECT_EQ(view.questions[0].text, "アンセットアップ(アンインストール)フォルダが不明です．\r\n"
                                          "アンセットアップ(アンインストール)は続行できません．");
        EXPECT_TRUE(Exists("C:\\APP\\A.TXT"));
        EXPECT_EQ(vm.Get("C:\\WINDOWS\\KORAT98.INI"), "[ThisApp]\r\nFolder=C:\\APP\\\r\n");
        EXPECT_TRUE(view.ended) << "the program ends instead of leaving a window without a usable button";
        EXPECT_TRUE(view.progressClosed);
    }
}

TEST_F(UninstallRunTest, ANumberedSectionEndsAtItsFirstGap)
{
    vm.Put("C:\\APP\\ONE.TXT");
    vm.Put("C:\\APP\\THREE.TXT");
    Record("[DeleteFile]\r\nFile1=C:\\APP\\ONE.TXT\r\nFile3=C:\\APP\\THREE.TXT\r\n");
    RunUninstall();
    EXPECT_FALSE(Exists("C:\\APP\\ONE.TXT"));
    EXPECT_TRUE(Exists("C:\\APP\\THREE.TXT"));
}

TEST_F(UninstallRunTest, ShortcutsGoAndAnEmptiedGroupWithThemButNeverAShellFolder)
{
    const std::string group = std::string(kPrograms) + "Sample\\";
    vm.Put(group + "APP.LNK");
    vm.Put(std::string(UninstallMachine::kDesktop) + "APP.LNK");
    const std::string sendTo = context.sendToFolder;
    vm.Put(sendTo + "APP.LNK");
    // The same folder in other letters: the shell folder still stays.
    std::string lowerSendTo = sendTo;
    for (char& c : lowerSendTo) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    Record("[DeleteShortCut]\r\nFile1=" + group + "APP.LNK\r\nFile2=" + UninstallMachine::kDesktop +
           "APP.LNK\r\nFile3=" + lowerSendTo + "APP.LNK\r\nFile4=" + group + "MISSING.LNK\r\n");
    RunUninstall();
    EXPECT_FALSE(Exists(group));
    EXPECT_FALSE(Exists(std::string(UninstallMachine::kDesktop) + "APP.LNK"));
    EXPECT_TRUE(Exists(std::string(UninstallMachine::kDesktop) + "OTHER.LNK"));
    EXPECT_FALSE(Exists(sendTo + "APP.LNK"));
    EXPECT_TRUE(Exists(sendTo)) << "an emptied shell folder stays";
    EXPECT_EQ(failures.count, 1);
    EXPECT_EQ(failures.text.rfind("<ShortCut> " + group + "MISSING.LNK\r\n", 0), 0u) << failures.text;
}

TEST_F(UninstallRunTest, RegistryKeysAndTheUninstallEntryAreDeleted)
{
    Registry& reg = vm.platform.registry;
    reg.CreateKey(RootKey::CurrentUser, "Software\\Sample\\Sub");
    reg.CreateKey(RootKey::LocalMachine, "Software\\Sample");
    reg.CreateKey(RootKey::LocalMachine, "Software\\Kept");
    const std::string entry = std::string(kUninstallListKey) + "Sample";
    reg.CreateKey(RootKey::LocalMachine, entry);
    reg.CreateKey(RootKey::LocalMachine, std::string(kUninstallListKey) + "Other");
    Record("[DeleteRegistry]\r\nKey1=Software\\Sample\r\nKey2=(Local)Software\\Sample\r\n"
           "[UnSetupRegistryKey]\r\nKey=" +
           entry + "\r\n");
    RunUninstall();
    EXPECT_NE(reg.OpenKey(RootKey::CurrentUser, "Software\\Sample"), kErrorSuccess);
    EXPECT_NE(reg.OpenKey(RootKey::LocalMachine, "Software\\Sample"), kErrorSuccess);
    EXPECT_EQ(reg.OpenKey(RootKey::LocalMachine, "Software\\Kept"), kErrorSuccess);
    EXPECT_NE(reg.OpenKey(RootKey::LocalMachine, entry), kErrorSuccess);
    EXPECT_EQ(reg.OpenKey(RootKey::LocalMachine, std::string(kUninstallListKey) + "Other"), kErrorSuccess);
    EXPECT_EQ(failures.count, 0) << failures.text;
}

// A title holding "\\" makes the entry a key within keys of the list.
TEST(UninstallRunTableTest, KeysThatHeldOnlyANestedEntryGoWithIt)
{
    const std::string list = kUninstallListKey;
    struct Row {
        const char* name;
        std::string entry;                // below the list
        std::vector<std::string> others;  // keys below the list made before, with a value when "=" ends them
        std::vector<std::string> gone, kept;
    };
    const Row rows[] = {
        {"two levels", "Maker\\Tool", {}, {"Maker\\Tool", "Maker"}, {""}},
        {"three levels", "A\\B\\C", {}, {"A\\B\\C", "A\\B", "A"}, {""}},
        {"a parent holding another entry", "Maker\\Tool", {"Maker\\Other"}, {"Maker\\Tool"}, {"Maker", "Maker\\Other"}},
        {"a parent with a value of its own", "Maker\\Tool", {"Maker="}, {"Maker\\Tool"}, {"Maker"}},
        // 0x83 0x5C is a katakana whose trail byte is "\\": no level of its own.
        {"a trail byte of 0x5C", "\x83\x5C\\Tool", {}, {"\x83\x5C\\Tool", "\x83\x5C"}, {""}},
        {"one level", "Sample", {"Other"}, {"Sample"}, {"", "Other"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        UninstallMachine m;
        Registry& reg = m.vm.platform.registry;
        reg.CreateKey(RootKey::LocalMachine, list + row.entry);
        for (std::string other : row.others) {
            const bool value = other.back() == '=';
            if (value) other.pop_back();
            reg.CreateKey(RootKey::LocalMachine, list + other);
            if (value) reg.WriteValue(RootKey::LocalMachine, list + other, "DisplayName", RegValue::String("x"));
        }
        m.Record("[UnSetupRegistryKey]\r\nKey=" + list + row.entry + "\r\n");
        m.RunUninstall();
        for (const std::string& key : row.gone)
            EXPECT_NE(reg.OpenKey(RootKey::LocalMachine, list + key), kErrorSuccess) << key;
        for (const std::string& key : row.kept)
            EXPECT_EQ(reg.OpenKey(RootKey::LocalMachine, RemovePathDelim(list + key, "B")), kErrorSuccess) << key;
        EXPECT_EQ(m.failures.count, 0) << m.failures.text;
    }
}

TEST(UninstallRunTableTest, AssociationsAreRestoredByTheirThreeRules)
{
    struct Row {
        const char* name;
        std::string value;
        bool extensionKeyBefore;
        bool extensionKeyAfter;
        std::string defaultAfter;
        bool autoFileAfter;
    };
    const std::vector<Row> rows = {
        {"no previous type: both keys go", "abc,", true, false, "", false},
        {"a previous type comes back", "abc,abcfile", true, true, "abcfile", false},
        {"the previous type was ours: it stays", "abc,ABC_auto_file", true, true, "ABC_auto_file", true},
        {"the extension key is gone: nothing is written", "abc,abcfile", false, false, "", false},
        {"no comma at all", "abc", true, false, "", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        UninstallMachine t;
        Registry& reg = t.vm.platform.registry;
        if (row.extensionKeyBefore) {
            reg.CreateKey(RootKey::ClassesRoot, ".abc");
            reg.WriteValue(RootKey::ClassesRoot, ".abc", "", RegValue::String("abc_auto_file"));
        }
        reg.CreateKey(RootKey::ClassesRoot, "abc_auto_file\\shell\\open\\command");
        t.Record("[RestoreRelate]\r\nKey1=" + row.value + "\r\n");
        t.RunUninstall();
        EXPECT_EQ(reg.OpenKey(RootKey::ClassesRoot, ".abc") == kErrorSuccess, row.extensionKeyAfter);
        RegValue value;
        if (row.extensionKeyAfter) {
            ASSERT_EQ(reg.ReadValue(RootKey::ClassesRoot, ".abc", "", value), kErrorSuccess);
            EXPECT_EQ(value.data, row.defaultAfter);
        }
        EXPECT_EQ(reg.OpenKey(RootKey::ClassesRoot, "abc_auto_file") == kErrorSuccess, row.autoFileAfter);
        EXPECT_EQ(t.failures.count, 0);
    }
}

// An extension key without a type may hold other programs' values, which stay.
TEST(UninstallRunTableTest, WithoutAPreviousTypeOnlyWhatTheInstallWroteGoes)
{
    struct Row {
        const char* name;
        std::function<void(Registry&)> other;  // what else the key holds
        bool keyAfter;
    };
    const Row rows[] = {
        {"nothing else", [](Registry&) {}, false},
        {"a content type",
         [](Registry& r) {
             r.WriteValue(RootKey::ClassesRoot, ".abc", "Content Type", RegValue::String("text/x-abc"));
         },
         true},
        {"a new-file template", [](Registry& r) { r.CreateKey(RootKey::ClassesRoot, ".abc\\ShellNew"); }, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        UninstallMachine t;
        Registry& reg = t.vm.platform.registry;
        reg.CreateKey(RootKey::ClassesRoot, ".abc");
        reg.WriteValue(RootKey::ClassesRoot, ".abc", "", RegValue::String("abc_auto_file"));
        row.other(reg);
        reg.CreateKey(RootKey::ClassesRoot, "abc_auto_file\\shell\\open\\command");
        t.Record("[RestoreRelate]\r\nKey1=abc,\r\n");
        t.RunUninstall();
        EXPECT_EQ(reg.OpenKey(RootKey::ClassesRoot, ".abc") == kErrorSuccess, row.keyAfter);
        RegValue value;
        EXPECT_NE(reg.ReadValue(RootKey::ClassesRoot, ".abc", "", value), kErrorSuccess) << "the type it wrote is gone";
        EXPECT_NE(reg.OpenKey(RootKey::ClassesRoot, "abc_auto_file"), kErrorSuccess);
        EXPECT_EQ(t.failures.count, 0) << t.failures.text;
    }
}

TEST_F(UninstallRunTest, ADeniedAssociationKeyIsReportedAndTheRunGoesOn)
{
    Registry& reg = vm.platform.registry;
    reg.CreateKey(RootKey::ClassesRoot, ".abc");
    reg.CreateKey(RootKey::ClassesRoot, ".xyz");
    vm.machine.DenyRegistryWrites(RootKey::ClassesRoot, ".abc");
    vm.Put("C:\\APP\\A.TXT");
    Record("[RestoreRelate]\r\nKey1=abc,abcfile\r\nKey2=xyz,\r\n[DeleteFile]\r\nFile1=C:\\APP\\A.TXT\r\n");
    RunUninstall();
    EXPECT_EQ(failures.count, 2) << "the key, and the record kept for a second attempt";
    EXPECT_EQ(failures.text.rfind("<Registry> HKEY_CLASSES_ROOT\\.abc\r\n", 0), 0u) << failures.text;
    EXPECT_NE(reg.OpenKey(RootKey::ClassesRoot, ".xyz"), kErrorSuccess) << "the next association is restored";
    EXPECT_FALSE(Exists("C:\\APP")) << "and the files are gone";
}

TEST(UninstallRunTableTest, ATamperedRecordDeletesNothingInAProtectedFolder)
{
    struct Row {
        const char* section;
        std::string entry;
    };
    const std::vector<Row> rows = {
        {"DeleteFile", "C:\\WINDOWS\\*.*"},
        {"AddDeleteFile", "C:\\WINDOWS\\*.*"},
        {"AddDeleteFile", "c:\\windows\\*.ini"},
        {"AddDeleteFile", "C:/WINDOWS/*.*"},
        {"AddDeleteFile", "C:\\APP\\..\\WINDOWS\\*.*"},
        {"AddDeleteFile", "C:\\APP\\.\\..\\WINDOWS.\\*.INI"},
        {"AddDeleteFile", "C:\\WINDOWS\\SYSTEM32\\*.DLL"},
        {"AddDeleteFile", "C:\\WINDOWS\\SYSTEM32\\DRIVERS\\*.*"},
        {"AddDeleteFile", "C:\\*.*"},
        {"AddDeleteFile", "C:\\*"},
        {"AddDeleteFile", "C:\\Documents and Settings\\*"},
        {"AddDeleteFile", "C:\\Documents and Settings\\User\\デスクトップ\\*.LNK"},
        {"AddDeleteFile", "*.*"},
        {"AddDeleteFile", "\\*.*"},
        {"AddDeleteFile", "C:\\W*\\WIN.INI"},
        {"AddDeleteFile", "\\\\?\\C:\\WINDOWS\\*.*"},
        {"DeleteShortCut", "C:\\WINDOWS\\"},
        {"DeleteShortCut", "C:\\WINDOWS\\*.*"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.section) + " " + row.entry);
        UninstallMachine t;
        t.vm.Put("C:\\WINDOWS\\WIN.INI");
        t.vm.Put("C:\\WINDOWS\\SYSTEM32\\KERNEL.DLL");
        t.vm.Put("C:\\WINDOWS\\SYSTEM32\\DRIVERS\\D.SYS");
        t.vm.Put("C:\\WINDOWS\\TEMP\\T.TMP");
        t.vm.Put("C:\\ROOT.TXT");
        t.vm.Put(std::string(UninstallMachine::kDesktop) + "OTHER.LNK");
        t.vm.Put("C:\\APP\\A.TXT");
        // Beside another section's entry, a recorded file shows that the run goes on.
        const std::string rest =
            std::string(row.section) == "DeleteFile" ? "" : "[DeleteFile]\r\nFile1=C:\\APP\\A.TXT\r\n";
        t.Record("[" + std::string(row.section) + "]\r\nFile1=" + row.entry + "\r\n" + rest);
        t.RunUninstall();
        for (const char* kept :
             {"C:\\WINDOWS\\WIN.INI", "C:\\WINDOWS\\SYSTEM32\\KERNEL.DLL", "C:\\WINDOWS\\SYSTEM32\\DRIVERS\\D.SYS",
              "C:\\WINDOWS\\TEMP\\T.TMP", "C:\\ROOT.TXT", "C:\\Documents and Settings\\User\\デスクトップ\\OTHER.LNK"})
            EXPECT_TRUE(t.Exists(kept)) << kept;
        EXPECT_NE(t.failures.text.find(row.entry + "\r\n"), std::string::npos) << "reported: " << t.failures.text;
        EXPECT_NE(t.failures.text.find("削除しませんでした．"), std::string::npos);
        if (std::string(row.section) != "DeleteFile") {
            EXPECT_FALSE(t.Exists("C:\\APP")) << "the rest goes on";
        }
    }
}

TEST_F(UninstallRunTest, ANamedFileInTheSystemFolderKeepsItsOwnRules)
{
    vm.Put("C:\\WINDOWS\\SYSTEM32\\LIB.DLL");
    vm.Put("C:\\WINDOWS\\SYSTEM32\\LIB.TXT");
    view.answers = {box::kYes};
    Record("[DeleteFile]\r\nFile1=C:\\APP\\..\\WINDOWS\\SYSTEM32\\LIB.DLL\r\nFile2=C:\\WINDOWS\\SYSTEM32\\LIB.TXT\r\n");
    RunUninstall();
    ASSERT_FALSE(view.questions.empty());
    EXPECT_EQ(view.questions[0].caption, kConfirm);
    EXPECT_FALSE(Exists("C:\\WINDOWS\\SYSTEM32\\LIB.TXT"));
    EXPECT_EQ(failures.text.find("削除しませんでした"), std::string::npos) << failures.text;
}

TEST_F(UninstallRunTest, TamperedRegistryEntriesNeverReachTheSystemsOwnKeys)
{
    Registry& reg = vm.platform.registry;
    const std::string other = std::string(kUninstallListKey) + "Other";
    reg.CreateKey(RootKey::LocalMachine, other);
    reg.CreateKey(RootKey::LocalMachine, "SOFTWARE\\Vendor\\App");
    reg.CreateKey(RootKey::ClassesRoot, "CLSID\\{0}");
    Record("[DeleteRegistry]\r\nKey1=(Local)SOFTWARE\r\nKey2=(Local)\\SOFTWARE\\\r\nKey3=(Class)CLSID\r\n"
           "Key4=(Local)SOFTWARE\\Microsoft\\Windows\\CurrentVersion\r\n"
           "[UnSetupRegistryKey]\r\nKey=" +
           std::string(kUninstallListKey) + "\r\n");
    RunUninstall();
    EXPECT_EQ(reg.OpenKey(RootKey::LocalMachine, other), kErrorSuccess);
    EXPECT_EQ(reg.OpenKey(RootKey::LocalMachine, "SOFTWARE\\Vendor\\App"), kErrorSuccess);
    EXPECT_EQ(reg.OpenKey(RootKey::ClassesRoot, "CLSID\\{0}"), kErrorSuccess);
    EXPECT_EQ(failures.count, 5) << failures.text;
}

TEST(UninstallRunTableTest, BadRecordsLoseNothingTheyDoNotName)
{
    const std::string longPath = "C:\\APP\\" + std::string(300, 'L') + ".TXT";
    const std::vector<std::pair<const char*, std::string>> records = {
        {"empty", ""},
        {"binary", std::string("\0\xff\x81\x5c[\0DeleteFile]\r\nFile1=\0C:\\*.*", 30)},
        {"cut in the middle of a line", "[SetupFolder]\r\nFolder=C:\\APP\\\r\n[DeleteFile]\r\nFile1=C:\\WIN"},
        {"absurd numbers", "[SetupFolder]\r\nFolder=C:\\APP\\\r\n[DeleteFile]\r\nFile99999999999=C:\\ROOT.TXT\r\n"
                           "[RestoreRelate]\r\nKey-1=txt,\r\n"},
        {"a path over 260 characters", "[SetupFolder]\r\nFolder=C:\\APP\\\r\n[DeleteFile]\r\nFile1=" + longPath +
                                           "\r\n[DeleteFolder]\r\nFolder1=" + longPath + "\\\r\n"},
        {"bars and commas in odd places",
         "[SetupFolder]\r\nFolder=C:\\APP\\\r\n[DeleteFile]\r\nFile1=,/F\r\n"
         "File2=|C:\\ROOT.TXT|\r\n[DeleteShortCut]\r\nFile1=|\r\nFile2=,\r\n"
         "[DeleteFolder]\r\nFolder1=|\\\r\nFolder2=,\r\n[RestoreRelate]\r\nKey1=,\r\n"},
        {"the setup folder is a file", "[SetupFolder]\r\nFolder=C:\\ROOT.TXT\r\n"},
    };
    for (const auto& [name, record] : records) {
        SCOPED_TRACE(name);
        UninstallMachine t;
        t.vm.Put("C:\\ROOT.TXT");
        t.vm.Put("C:\\WINDOWS\\WIN.INI");
        t.vm.Put("C:\\OTHER\\KEEP.TXT");
        t.vm.Put(UninstallMachine::kRecord, record);
        t.RunUninstall();
        EXPECT_TRUE(t.view.ended);
        EXPECT_TRUE(t.Exists("C:\\ROOT.TXT"));
        EXPECT_TRUE(t.Exists("C:\\WINDOWS\\WIN.INI"));
        EXPECT_TRUE(t.Exists("C:\\OTHER\\KEEP.TXT"));
    }
}

TEST_F(UninstallRunTest, LockedReadOnlyAndMissingFilesAreReportedAndTheRestGoes)
{
    vm.Put("C:\\APP\\LOCKED.TXT");
    vm.machine.LockFile("C:\\APP\\LOCKED.TXT");
    vm.Put("C:\\APP\\RO.TXT");
    vm.platform.files.SetAttributes("C:\\APP\\RO.TXT", attr::kReadOnly);
    vm.Put("C:\\APP\\PLAIN.TXT");
    Record("[DeleteFile]\r\nFile1=C:\\APP\\LOCKED.TXT\r\nFile2=C:\\APP\\RO.TXT\r\nFile3=C:\\APP\\GONE.TXT\r\n"
           "File4=C:\\APP\\PLAIN.TXT\r\n");
    RunUninstall();
    EXPECT_FALSE(Exists("C:\\APP\\PLAIN.TXT"));
    EXPECT_TRUE(Exists("C:\\APP\\LOCKED.TXT"));
    EXPECT_NE(failures.text.find("<File> C:\\APP\\LOCKED.TXT\r\n"), std::string::npos);
    EXPECT_NE(failures.text.find("<File> C:\\APP\\GONE.TXT\r\n"), std::string::npos);
    EXPECT_NE(failures.text.find("<SetupFolder> C:\\APP\\\r\n"), std::string::npos);
}

TEST_F(UninstallRunTest, AComponentIsUnregisteredBeforeItIsDeleted)
{
    vm.Put("C:\\APP\\OWN.OCX");
    Record("[DeleteFile]\r\nFile1=C:\\APP\\OWN.OCX\r\n");
    RunUninstall();
    EXPECT_EQ(unregistered, (std::vector<std::string>{"C:\\APP\\OWN.OCX"}));
    EXPECT_FALSE(Exists("C:\\APP\\OWN.OCX"));
}

TEST(UninstallRunTableTest, OnlyTheComponentTheInstallRegisteredIsLoaded)
{
    struct Row {
        const char* name;
        std::function<void(UninstallMachine&)> after;  // done after the install vouched for the record
        bool vouched;
        bool loaded;
        std::string why;
    };
    const Row rows[] = {
        {"as registered", [](UninstallMachine&) {}, true, true, ""},
        {"swapped on disk", [](UninstallMachine& m) { m.vm.Put("C:\\APP\\OWN.DLL", "MZ planted"); }, true, false,
         RefusedLibraryText(LibraryVerdict::Changed)},
        {"a record nobody vouches for", [](UninstallMachine&) {}, false, false,
         RefusedLibraryText(LibraryVerdict::NotVouched)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        UninstallMachine m;
        m.vm.Put("C:\\APP\\OWN.DLL", "MZ registered");
        const std::string sections = "[DeleteFile]\r\nFile1=C:\\APP\\OWN.DLL\r\n";
        if (row.vouched)
            m.Record(sections);
        else
            m.RecordUnvouched(sections);
        row.after(m);
        m.view.answerBy = [](const RecordingView::Question& q) {
            return q.flags == box::kWarningYesNo ? box::kYes : box::kOk;
        };
        m.RunUninstall();
        EXPECT_EQ(m.unregistered.size(), row.loaded ? 1u : 0u);
        EXPECT_FALSE(m.Exists("C:\\APP\\OWN.DLL")) << "it goes all the same";
        if (!row.why.empty()) {
            EXPECT_NE(m.failures.text.find("<File> C:\\APP\\OWN.DLL\r\n" + row.why), std::string::npos)
                << m.failures.text;
        }
    }
}

TEST(UninstallRunTableTest, AnEditedRecordTouchesNothingOutsideTheSetupFolder)
{
    UninstallMachine m;
    Registry& reg = m.vm.platform.registry;
    const std::string run = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
    reg.CreateKey(RootKey::LocalMachine, run);
    reg.CreateKey(RootKey::CurrentUser, "Software\\Sample");
    reg.CreateKey(RootKey::ClassesRoot, ".txt");
    reg.WriteValue(RootKey::ClassesRoot, ".txt", "", RegValue::String("txtfile"));
    m.vm.Put("C:\\USERS\\ME\\LETTER.TXT", "mine");
    m.vm.Put("C:\\APP\\A.TXT");
    m.vm.Put("C:\\APP\\SUB\\B.TXT");
    m.vm.Put(std::string(UninstallMachine::kPrograms) + "Sample\\APP.LNK");
    m.RecordUnvouched("[DeleteFile]\r\nFile1=C:\\APP\\A.TXT\r\nFile2=C:\\USERS\\ME\\LETTER.TXT\r\n"
                      "[AddDeleteFile]\r\nFile1=C:\\APP\\SUB\\*.*\r\n"
                      "[DeleteShortCut]\r\nFile1=" +
                      std::string(UninstallMachine::kPrograms) +
                      "Sample\\APP.LNK\r\n"
                      "[DeleteFolder]\r\nFolder1=C:\\APP\\SUB\\\r\nFolder2=C:\\USERS\\ME\\\r\n"
                      "[DeleteRegistry]\r\nKey1=(Local)" +
                      run +
                      "\r\nKey2=Software\\Sample\r\n"
                      "[RestoreRelate]\r\nKey1=txt,exefile\r\n");
    m.view.answers = {box::kYes};
    m.RunUninstall();
    ASSERT_FALSE(m.view.questions.empty());
    EXPECT_EQ(m.view.questions[0].caption, "警告");
    EXPECT_EQ(m.view.questions[0].flags, box::kWarningYesNo);
    EXPECT_FALSE(m.Exists("C:\\APP")) << "inside the setup folder all goes";
    EXPECT_EQ(m.vm.Get("C:\\USERS\\ME\\LETTER.TXT"), "mine");
    EXPECT_TRUE(m.Exists(std::string(UninstallMachine::kPrograms) + "Sample\\APP.LNK"));
    EXPECT_EQ(reg.OpenKey(RootKey::LocalMachine, run), kErrorSuccess);
    EXPECT_EQ(reg.OpenKey(RootKey::CurrentUser, "Software\\Sample"), kErrorSuccess);
    RegValue type;
    ASSERT_EQ(reg.ReadValue(RootKey::ClassesRoot, ".txt", "", type), kErrorSuccess);
    EXPECT_EQ(type.data, "txtfile");
    EXPECT_NE(reg.OpenKey(RootKey::LocalMachine, UninstallMachine::kEntry), kErrorSuccess)
        << "the entry that started this very record goes";

    UninstallMachine refused;
    refused.vm.Put("C:\\APP\\A.TXT");
    refused.RecordUnvouched("[DeleteFile]\r\nFile1=C:\\APP\\A.TXT\r\n");
    refused.view.answers = {box::kNo};
    refused.RunUninstall();
    EXPECT_TRUE(refused.Exists("C:\\APP\\A.TXT")) << "nothing at all when the user says no";
    EXPECT_EQ(refused.vm.platform.registry.OpenKey(RootKey::LocalMachine, UninstallMachine::kEntry), kErrorSuccess);
    EXPECT_TRUE(refused.view.ended);
}

// An edited record names its own limits: another setup folder, DeleteAll to empty it,
// a library among its shortcuts. None is taken: only what the record lists in the
// folder that holds it, as the command line named it, goes, and nothing is loaded.
TEST_F(UninstallRunTest, AnEditedRecordIsConfinedToTheFolderThatHoldsIt)
{
    vm.Put("C:\\VICTIM\\DATA.TXT", "victim's");
    vm.Put("C:\\VICTIM\\OTHER.TXT", "victim's");
    vm.Put("C:\\APP\\A.TXT");
    vm.Put("C:\\APP\\SETTINGS.INI", "the user's");
    vm.Put("C:\\APP\\EVIL.DLL", "MZDllUnregisterServer=0\n");
    RecordUnvouched("[DeleteFile]\r\nFile1=C:\\VICTIM\\DATA.TXT\r\nFile2=C:\\APP\\A.TXT\r\n"
                    "[DeleteShortCut]\r\nFile1=C:\\APP\\EVIL.DLL\r\n",
                    "C:\\VICTIM\\");
    context.recordPath = "C:\\APP\\UNSETUP.INI";
    vm.platform.registry.WriteValue(RootKey::LocalMachine, kEntry, "UninstallString",
                                    RegValue::String("C:\\WINDOWS\\UNKORAT.EXE \"C:\\APP\\UNSETUP.INI\""));
    view.options.folderText = "C:\\VICTIM\\";
    view.options.desktop = true;
    view.options.startMenuVisible = view.options.startupVisible = view.options.sendToVisible = false;
    view.answers = {box::kYes};
    RunUninstall();
    ASSERT_FALSE(view.questions.empty());
    EXPECT_NE(view.questions[0].text.find("\rC:\\APP\\\r"), std::string::npos) << "the warning names the folder";
    EXPECT_EQ(vm.Get("C:\\VICTIM\\DATA.TXT"), "victim's");
    EXPECT_EQ(vm.Get("C:\\VICTIM\\OTHER.TXT"), "victim's");
    EXPECT_EQ(vm.Get("C:\\APP\\SETTINGS.INI"), "the user's") << "DeleteAll is not taken";
    EXPECT_FALSE(Exists("C:\\APP\\A.TXT")) << "what it lists in its own folder goes";
    EXPECT_TRUE(unregistered.empty()) << "no library is loaded";
}

TEST(UninstallRunTableTest, WhatCouldNotBeUndoneIsReportedAndTheRestGoes)
{
    using platform::virt::Fault;
    using platform::virt::OperationKind;
    const std::string group = std::string(UninstallMachine::kPrograms) + "Sample\\";
    struct Row {
        const char* name;
        std::function<void(UninstallMachine&)> fault;
        std::string failure;  // the failure record's first line
        bool recordKept;      // something is still there that a second attempt can remove
    };
    const Row rows[] = {
        {"a folder memory that cannot be written",
         [](UninstallMachine& m) { m.vm.machine.DenyWrites("C:\\WINDOWS\\KORAT98.INI"); },
         "<SetupFile> C:\\WINDOWS\\KORAT98.INI\r\n", true},
        {"an emptied program group that cannot be removed",
         // The file's deletion is the first removal, the shortcut's the second, its group's the third.
         [](UninstallMachine& m) { m.vm.machine.FailAt(OperationKind::FileRemoval, 3, Fault::AccessDenied); },
         "<Folder> " + group + "\r\n", true},
        {"a registry key that cannot be deleted",
         [](UninstallMachine& m) { m.vm.machine.DenyRegistryWrites(RootKey::CurrentUser, "Software\\Sample"); },
         "<Registry> (Cuser)Software\\Sample\r\n", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        UninstallMachine m;
        m.vm.Put("C:\\WINDOWS\\KORAT98.INI", "[ThisApp]\r\nFolder=C:\\APP\\\r\n");
        m.vm.Put(group + "APP.LNK");
        m.vm.Put("C:\\APP\\A.TXT");
        m.vm.platform.registry.CreateKey(RootKey::CurrentUser, "Software\\Sample");
        m.Record(
            "[ProgramID]\r\nID=ThisApp\r\n[DeleteShortCut]\r\nFile1=" + group +
            "APP.LNK\r\n[DeleteRegistry]\r\nKey1=(Cuser)Software\\Sample\r\n[DeleteFile]\r\nFile1=C:\\APP\\A.TXT\r\n");
        m.vm.machine.ResetOperations();
        row.fault(m);
        m.RunUninstall();
        EXPECT_EQ(m.failures.count, row.recordKept ? 2 : 1) << m.failures.text;
        EXPECT_EQ(m.failures.text.rfind(row.failure, 0), 0u) << m.failures.text;
        EXPECT_EQ(m.failures.text.find("アンセットアップ情報を残しました") != std::string::npos, row.recordKept);
        EXPECT_EQ(m.vm.platform.registry.OpenKey(RootKey::LocalMachine, UninstallMachine::kEntry) == 0, row.recordKept)
            << "the entry stays for a second attempt, vouched for as before";
        EXPECT_FALSE(m.Exists("C:\\APP")) << "the rest is done";
    }
}

TEST(UninstallRunTableTest, ALastCountThatCannotBeDeletedEndsTheRunWithTheGeneralReport)
{
    UninstallMachine m;
    m.vm.Put("C:\\WINDOWS\\SYSTEM32\\SHARED.DLL");
    m.SetSharedCount("C:\\WINDOWS\\SYSTEM32\\SHARED.DLL", 1);
    m.Record("[DeleteFile]\r\nFile1=C:\\WINDOWS\\SYSTEM32\\SHARED.DLL,/S\r\n");
    m.vm.machine.ResetOperations();
    m.vm.machine.FailAt(platform::virt::OperationKind::RegistryDelete, 1, platform::virt::Fault::AccessDenied);
    // Left, the count would tell the next uninstall that another program still uses the file.
    EXPECT_THROW(m.RunUninstall(), std::runtime_error);
    EXPECT_TRUE(m.Exists("C:\\WINDOWS\\SYSTEM32\\SHARED.DLL"));
    EXPECT_EQ(m.SharedCount("C:\\WINDOWS\\SYSTEM32\\SHARED.DLL"), 1);
}

}  // namespace
}  // namespace lorvel::testing

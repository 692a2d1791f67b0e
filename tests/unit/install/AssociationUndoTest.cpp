// An install that ends before its record is written puts back the associations it
// changed, so that a second attempt records the user's own type, not this system's.
#include <functional>
#include <map>

#include "SettingsRunFixture.h"
#include "uninstall/UninstallRun.h"
#include "util/ShiftJisText.h"

namespace lorvel::testing {
namespace {

using platform::virt::Fault;
using platform::virt::OperationKind;

constexpr RootKey kClasses = RootKey::ClassesRoot;
constexpr const char* kRecord = "C:\\APP\\UNSETUP.INI";
constexpr const char* kRelateCaption = "関連付けの確認";
// Two associations, so that a run can end between them or inside the later one.
constexpr const char* kScript =
    "[Relate]\r\nName1=TXT\r\nFile1=open,(App)VIEW.EXE,%1,0\r\nName2=ZZZ\r\nFile2=open,(App)VIEW.EXE,%1,0\r\n";

// Every key and value below the classes root: "KEY" -> "<key>", "KEY\tNAME" -> type and data.
std::map<std::string, std::string> ClassesRoot(Registry& registry)
{
    std::map<std::string, std::string> items;
    std::function<void(const std::string&)> walk = [&](const std::string& key) {
        std::vector<std::pair<std::string, RegValue>> values;
        registry.EnumValues(kClasses, key, values);
        for (const auto& [name, value] : values)
            items[UpperCase(key) + "\t" + UpperCase(name)] =
                std::to_string(static_cast<int>(value.type)) + ":" + value.data;
        std::vector<std::string> names;
        registry.EnumSubKeys(kClasses, key, names);
        for (const std::string& name : names) {
            const std::string child = key.empty() ? name : key + "\\" + name;
            items[UpperCase(child)] = "<key>";
            walk(child);
        }
    };
    walk("");
    return items;
}

// The items one map has that the other lacks or holds otherwise.
std::string Differences(const std::map<std::string, std::string>& before,
                        const std::map<std::string, std::string>& after)
{
    std::string text;
    for (const auto& [item, value] : after)
        if (const auto was = before.find(item); was == before.end() || was->second != value)
            text += "  now " + item + " = " + value + "\n";
    for (const auto& [item, value] : before)
        if (!after.count(item)) text += "  gone " + item + " = " + value + "\n";
    return text;
}

void SetDefault(Registry& registry, const std::string& key, const std::string& value)
{
    registry.CreateKey(kClasses, key);
    registry.WriteValue(kClasses, key, "", RegValue::String(value));
}

// The user's own type, which no run touches.
void PutUserType(Registry& registry)
{
    SetDefault(registry, "txtfile", "Text Document");
    SetDefault(registry, "txtfile\\shell\\open\\command", "NOTEPAD.EXE %1");
}

struct Machine {
    const char* name;
    std::function<void(Registry&)> put;
};

const Machine kMachines[] = {
    {"a previous type",
     [](Registry& r) {
         PutUserType(r);
         SetDefault(r, ".TXT", "txtfile");
     }},
    {"the extension's key without a default value",
     [](Registry& r) {
         r.CreateKey(kClasses, ".TXT\\ShellNew");
         r.WriteValue(kClasses, ".TXT", "Content Type", RegValue::String("text/plain"));
     }},
    {"no extension key", [](Registry&) {}},
    {"the type key there already",
     [](Registry& r) {
         PutUserType(r);
         SetDefault(r, ".TXT", "txtfile");
         // As an earlier install of the same program left it, with a verb of another program.
         SetDefault(r, "TXT_auto_file", "TXT File");
         SetDefault(r, "TXT_auto_file\\DefaultIcon", "C:\\APP\\VIEW.EXE,0");
         SetDefault(r, "TXT_auto_file\\shell\\open\\command", "C:\\APP\\VIEW.EXE %1");
         SetDefault(r, "TXT_auto_file\\shell\\print\\command", "PRINT.EXE %1");
     }},
};

enum class Ending { KeyDenied, Abort, RecordRefused };

struct EndingRow {
    Ending ending;
    const char* name;
};

const EndingRow kEndings[] = {
    {Ending::KeyDenied, "a key of the later association denied"},
    {Ending::Abort, "an abort before the later association"},
    {Ending::RecordRefused, "the record refused"},
};

// Yes to each association; at the k-th, the ending's fault is laid.
void AnswerAssociations(SettingsMachine& t, std::optional<Ending> ending)
{
    t.view = RecordingView{};
    t.view.options.folderText = "C:\\APP";
    t.view.answerBy = [&t, ending](const RecordingView::Question& q) {
        if (q.caption != kRelateCaption) return box::kNo;
        int asked = 0;
        for (const auto& question : t.view.questions) asked += question.caption == kRelateCaption;
        if (ending == Ending::Abort && asked == 1)
            t.view.abortAfterStatuses = static_cast<int>(t.view.statuses.size()) + 1;
        // The second key creation of the later association: its type key, after its extension key.
        if (ending == Ending::KeyDenied && asked == 2)
            t.vm.machine.FailAt(OperationKind::RegistryCreate,
                                t.vm.machine.OperationCount(OperationKind::RegistryCreate) + 2, Fault::AccessDenied);
        return box::kYes;
    };
}

void Uninstall(SettingsMachine& t)
{
    t.vm.Put("C:\\WORK\\UNSETUP.INI", t.vm.Get(kRecord));
    SetupContext context = t.context;
    context.runMode = RunMode::Unsetup;
    context.scriptFile = "C:\\WORK\\UNSETUP.INI";
    context.recordPath = kRecord;
    RecordingView view;
    view.options.folderText = "C:\\APP\\";
    view.deletionAnswers = {"Delete"};
    SharedFiles shared(t.vm.platform, false, nullptr);
    UninstallRun({t.vm.platform, t.profiles, t.ops, context, view, shared}).Run();
}

TEST(AssociationUndoTest, ARunEndingBeforeItsRecordLeavesTheClassesAsTheyWere)
{
    for (const Machine& machine : kMachines) {
        for (const EndingRow& row : kEndings) {
            SCOPED_TRACE(std::string(machine.name) + ", " + row.name);
            SettingsMachine t;
            Registry& registry = t.vm.platform.registry;
            machine.put(registry);
            const std::string userType = t.Text(kClasses, ".TXT");
            const auto before = ClassesRoot(registry);
            if (row.ending == Ending::RecordRefused) t.vm.machine.LockFile(kRecord);
            AnswerAssociations(t, row.ending);
            t.vm.machine.ResetOperations();

            const std::string raised = t.RunRaising(kScript);
            EXPECT_EQ(raised, row.ending == Ending::KeyDenied ? "ｷｰ ZZZ_auto_file の作成に失敗しました" : "");
            EXPECT_EQ(t.vm.Get(kRecord), "<missing>");
            EXPECT_EQ(Differences(before, ClassesRoot(registry)), "");

            t.vm.machine.UnlockFile(kRecord);
            t.vm.machine.ResetOperations();
            AnswerAssociations(t, std::nullopt);
            EXPECT_EQ(t.RunRaising(kScript), "") << "the second attempt is clean";
            EXPECT_EQ(t.Text(kClasses, ".TXT"), "TXT_auto_file");
            Uninstall(t);
            EXPECT_EQ(t.Text(kClasses, ".TXT"), userType) << "the uninstall gives the user's type back";
        }
    }
}

TEST(AssociationUndoTest, AnInstallThatEndsWithoutARecordByDesignKeepsTheAssociation)
{
    struct Row {
        const char* name;
        const char* title;
        bool recorded;
    };
    const Row rows[] = {
        {"the record written", "Sample", true},
        {"an install that is to leave nothing to uninstall", "Sample (setup only.)", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SettingsMachine t;
        PutUserType(t.vm.platform.registry);
        SetDefault(t.vm.platform.registry, ".TXT", "txtfile");
        t.context.unSetupTitle = row.title;
        AnswerAssociations(t, std::nullopt);
        const InstallRunState state = t.Run(kScript);
        EXPECT_EQ(state.failures.text, "");
        EXPECT_TRUE(state.unrecordedAssociations.empty());
        EXPECT_EQ(t.vm.Get(kRecord).find("TXT,txtfile") != std::string::npos, row.recorded);
        EXPECT_EQ(t.Text(kClasses, ".TXT"), "TXT_auto_file");
        EXPECT_EQ(t.Text(kClasses, ".ZZZ"), "ZZZ_auto_file");
        EXPECT_EQ(t.Text(kClasses, "TXT_auto_file\\shell\\open\\command"), "C:\\APP\\VIEW.EXE %1");
    }
}

TEST(AssociationUndoTest, AnUndoThatIsRefusedIsOfferedWithTheOtherFailures)
{
    SettingsMachine t;
    t.vm.machine.LockFile(kRecord);
    AnswerAssociations(t, std::nullopt);
    const auto answerAssociations = t.view.answerBy;
    t.view.answerBy = [answerAssociations](const RecordingView::Question& q) {
        return q.caption == "警告" ? box::kYes : answerAssociations(q);  // the details shown
    };
    t.vm.machine.ResetOperations();
    // The run's first deletion is the undo's first: the later association's extension key.
    t.vm.machine.FailAt(OperationKind::RegistryDelete, 1, Fault::AccessDenied);
    const InstallRunState state = t.Run(kScript);
    const std::string denied = t.ops.SystemErrorText(kErrorAccessDenied);
    const std::string locked = t.ops.SystemErrorText(kErrorSharingViolation);
    EXPECT_EQ(state.failures.text, "<SetupFile> C:\\APP\\UNSETUP.INI\r\n" + locked +
                                       "\r\n<Registry> HKEY_CLASSES_ROOT\\.ZZZ\r\n" + denied + "\r\n");
    EXPECT_EQ(t.Text(kClasses, ".ZZZ"), "ZZZ_auto_file") << "what refused stays";
    for (const char* key : {"ZZZ_auto_file", ".TXT", "TXT_auto_file"})
        EXPECT_NE(t.vm.platform.registry.OpenKey(kClasses, key), kErrorSuccess) << key << ": the rest is put back";
    ASSERT_EQ(t.view.details.size(), 1u);
    EXPECT_EQ(t.view.details[0].text, state.failures.text) << "the refusal is among the failures offered";
}

// The machine's registry, except that the default value of one key cannot be read.
class UnreadableDefault final : public Registry {
public:
    UnreadableDefault(Registry& inner, std::string key, ErrorCode code)
        : inner_(inner), key_(std::move(key)), code_(code)
    {
    }
    ErrorCode CreateKey(RootKey root, const std::string& path) override { return inner_.CreateKey(root, path); }
    ErrorCode OpenKey(RootKey root, const std::string& path) override { return inner_.OpenKey(root, path); }
    ErrorCode DeleteKeyTree(RootKey root, const std::string& path) override { return inner_.DeleteKeyTree(root, path); }
    ErrorCode ReadValue(RootKey root, const std::string& path, const std::string& name, RegValue& value) override
    {
        if (root == kClasses && UpperCase(path) == key_ && name.empty()) return code_;
        return inner_.ReadValue(root, path, name, value);
    }
    ErrorCode WriteValue(RootKey root, const std::string& path, const std::string& name, const RegValue& value) override
    {
        return inner_.WriteValue(root, path, name, value);
    }
    ErrorCode DeleteValue(RootKey root, const std::string& path, const std::string& name) override
    {
        return inner_.DeleteValue(root, path, name);
    }
    ErrorCode EnumSubKeys(RootKey root, const std::string& path, std::vector<std::string>& names) override
    {
        return inner_.EnumSubKeys(root, path, names);
    }
    ErrorCode EnumValues(RootKey root, const std::string& path,
                         std::vector<std::pair<std::string, RegValue>>& values) override
    {
        return inner_.EnumValues(root, path, values);
    }

private:
    Registry& inner_;
    std::string key_;
    ErrorCode code_;
};

TEST(AssociationUndoTest, APreviousTypeThatCannotBeReadEndsTheRunAndIsKept)
{
    for (const ErrorCode code : {kErrorAccessDenied, kErrorMoreData}) {
        SCOPED_TRACE(code);
        SettingsMachine t;
        PutUserType(t.vm.platform.registry);
        SetDefault(t.vm.platform.registry, ".TXT", "txtfile");
        // The record refused too: a run that took the unread type for none would put
        // "none" back, deleting the user's type.
        t.vm.machine.LockFile(kRecord);
        UnreadableDefault registry(t.vm.platform.registry, ".TXT", code);
        const Platform& machine = t.vm.platform;
        Platform unreadable{machine.files,      registry,   machine.system, machine.shell,
                            machine.components, machine.lz, machine.links};
        t.vm.Put(t.context.scriptFile, "[Relate]\r\nName1=ZZZ\r\nFile1=open,(App)VIEW.EXE,%1,0\r\n"
                                       "Name2=TXT\r\nFile2=open,(App)VIEW.EXE,%1,0\r\n");
        AnswerAssociations(t, std::nullopt);
        InstallRun run({unreadable, t.profiles, t.ops, t.context, t.view, t.shared});
        std::string raised;
        try {
            run.Run();
        } catch (const std::exception& error) {
            raised = error.what();
        }
        EXPECT_EQ(raised, "'' の読み込みに失敗しました");
        EXPECT_EQ(t.Text(kClasses, ".TXT"), "txtfile");
        EXPECT_NE(t.vm.platform.registry.OpenKey(kClasses, ".ZZZ"), kErrorSuccess) << "the earlier one is put back";
    }
}

}  // namespace
}  // namespace lorvel::testing

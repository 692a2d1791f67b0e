#include "../VouchedRecord.h"
#include "SettingsRunFixture.h"
#include "util/ShortcutBoxes.h"

namespace lorvel::testing {
namespace {

using Boxes = std::array<bool, kShortcutBoxCount>;
constexpr Boxes kNone{};
constexpr Boxes kAll{true, true, true, true};

TEST(ShortcutBoxesTest, TheFirstTokenGovernsAndStartUpTicksEveryNamedBox)
{
    struct Row {
        const char* name;
        ShortcutBox governing;
        Boxes named;
    };
    const Row rows[] = {
        {"(Dsk)App", ShortcutBox::Desktop, {true, false, false, false}},
        {"(C_Dsk)App", ShortcutBox::Desktop, {true, false, false, false}},
        {"(c_sta)App", ShortcutBox::StartMenu, {false, true, false, false}},
        {"Default", ShortcutBox::StartMenu, {}},
        {"default", ShortcutBox::None, {}},
        {"(Sup)App", ShortcutBox::Startup, {false, false, true, false}},
        {"(Sen)App", ShortcutBox::SendTo, {false, false, false, true}},
        {"(Sta)Dsk)", ShortcutBox::Desktop, {true, true, false, false}},
        {"(Smn)App", ShortcutBox::None, {}},
        {"My App", ShortcutBox::None, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(GoverningBox(row.name), row.governing);
        EXPECT_EQ(NamedBoxes(row.name), row.named);
    }
}

struct ShortcutRow {
    const char* make;
    const char* name;  // nullptr: no Name key
    Boxes ticked;
    std::string file;  // the item recorded; empty: the entry was skipped
    LinkFields link;
};

TEST(ShortcutPhaseTest, EntriesBecomeLinksWhereTheirNamesSay)
{
    const std::string p = SettingsMachine::kPrograms;
    const ShortcutRow rows[] = {
        {"(App)APP.EXE", nullptr, kNone, "", {}},
        {"(App)APP.EXE", nullptr, kAll, p + "APP.EXE.lnk", {"C:\\APP\\APP.EXE", "C:\\APP\\", ""}},
        {"(App)APP.EXE", "My App", kNone, p + "My App.lnk", {"C:\\APP\\APP.EXE", "C:\\APP\\", ""}},
        {"(App)APP.EXE,/a,/b", "(Smn)Tool", kNone, "C:\\MENU\\Tool.lnk", {"C:\\APP\\APP.EXE", "C:\\APP\\", "/a,/b"}},
        {"(App)APP.EXE",
         "(Sta)Group\\App,(App)WORK",
         kAll,
         p + "Group\\App.lnk",
         {"C:\\APP\\APP.EXE", "C:\\APP\\WORK\\", ""}},
        {"(App)APP.EXE",
         "(Sta)Group\\App,(App)NOWHERE",
         kAll,
         p + "Group\\App.lnk",
         {"C:\\APP\\APP.EXE", "C:\\APP\\", ""}},
        {"(App)APP.EXE", "(C_Dsk)App", {false, true, true, true}, "", {}},
        {"(App)APP.EXE", "(Dsk)App,", kAll, "C:\\DESKTOP\\App.lnk", {"C:\\APP\\APP.EXE", "C:\\APP\\", ""}},
        {"(App)APP.EXE",
         "(C_Sup)App",
         kAll,
         "C:\\ALL\\MENU\\PROGRAMS\\STARTUP\\App.lnk",
         {"C:\\APP\\APP.EXE", "C:\\APP\\", ""}},
        {"(App)APP.EXE", "(Sta)App.lnk", kAll, p + "App.lnk", {"C:\\APP\\APP.EXE", "C:\\APP\\", ""}},
        {"(App)\x95\x5C.EXE",
         "(Smn)\x95\x5C",
         kNone,
         "C:\\MENU\\\x95\x5C.lnk",
         {"C:\\APP\\\x95\x5C.EXE", "C:\\APP\\", ""}},
        {"User Not Selected.", "(Smn)X", kNone, "", {}},
        // Odd entries make odd links, and nothing worse.
        {",", "(Smn)X", kNone, "C:\\MENU\\X.lnk", {"", "\\", ""}},
        {"(App)APP.EXE", ",", kNone, p + ".lnk", {"C:\\APP\\APP.EXE", "C:\\APP\\", ""}},
    };
    for (const ShortcutRow& row : rows) {
        SCOPED_TRACE(std::string(row.make) + " / " + (row.name ? row.name : "(none)"));
        SettingsMachine t;
        t.vm.platform.files.CreateFolder("C:\\APP\\WORK");
        t.view.options.desktop = row.ticked[0];
        t.view.options.startMenu = row.ticked[1];
        t.view.options.startup = row.ticked[2];
        t.view.options.sendTo = row.ticked[3];
        const std::string name = row.name ? std::string("Name1=") + row.name + "\r\n" : "";
        const InstallRunState state = t.Run("[ShortCut]\r\nMake1=" + std::string(row.make) + "\r\n" + name);
        EXPECT_EQ(state.lists.deleteShortCut, row.file.empty() ? "" : row.file + "|");
        if (row.file.empty()) continue;
        LinkFields link;
        ASSERT_EQ(t.vm.machine.Links().ReadLink(row.file, link), 0u);
        EXPECT_EQ(link.target, row.link.target);
        EXPECT_EQ(link.workingFolder, row.link.workingFolder);
        EXPECT_EQ(link.arguments, row.link.arguments);
    }
}

TEST(ShortcutPhaseTest, ASkippedEntryDoesNotEndTheSectionAndTheStatusNamesEachLink)
{
    SettingsMachine t;
    t.vm.Put("C:\\APP\\README.LNK", "a link the medium brought");
    const InstallRunState state =
        t.Run("[ShortCut]\r\nMake1=(App)APP.EXE\r\nName1=(Dsk)App\r\nMake2=(App)README.LNK\r\nName2=(Smn)Read\r\n"
              "Make4=(App)LATE.EXE\r\nName4=(Smn)Late\r\n");
    EXPECT_EQ(state.lists.deleteShortCut, "C:\\MENU\\Read.lnk|") << "a missing Make3 ends the section";
    EXPECT_EQ(t.vm.Get("C:\\MENU\\Read.lnk"), "a link the medium brought") << "a .LNK target is copied";
    EXPECT_NE(std::find(t.view.statuses.begin(), t.view.statuses.end(),
                        "ショートカットを作成しています．．．\r\nCreateTarget -> C:\\APP\\README.LNK\r\n"
                        "Creating -> C:\\MENU\\Read"),
              t.view.statuses.end());
    EXPECT_FALSE(t.view.progressShown);
}

TEST(ShortcutPhaseTest, EarlierItemsStayAndNewOnesFollow)
{
    SettingsMachine t;
    PutVouchedRecord(t.vm, "C:\\APP\\UNSETUP.INI",
                     "[SetupFolder]\r\nFolder=C:\\APP\\\r\n[DeleteShortCut]\r\nFile1=C:\\MENU\\Old.lnk\r\n");
    t.vm.platform.files.CreateFolder("C:\\WINDOWS\\TEMP\\KRTMP1");
    t.context.workFolder = "C:\\WINDOWS\\TEMP\\KRTMP1\\";
    const InstallRunState state = t.Run("[ShortCut]\r\nMake1=(App)A.EXE\r\nName1=(Smn)New\r\n");
    EXPECT_EQ(state.lists.deleteShortCut, "C:\\MENU\\Old.lnk|C:\\MENU\\New.lnk|");
}

TEST(ShortcutPhaseTest, LinkFaults)
{
    struct Row {
        const char* name;
        std::function<void(SettingsMachine&)> fault;
        std::string error;     // the report's text; empty: the run goes on
        std::string recorded;  // the DeleteShortCut list
        std::string failures;  // the run's failure text
    };
    const std::string notMade = "<ShortCut> C:\\MENU\\GROUP\\App\r\nショートカットを作成できませんでした．\r\n\r\n";
    const Row rows[] = {
        {"class missing with a system text",
         [](SettingsMachine& t) {
             t.vm.machine.SetLinkFault({LinkSave::Outcome::ClassMissing, static_cast<std::int32_t>(0x80040154u)});
         },
         "クラスが登録されていません。\r\n", "", ""},
        {"class missing without a system text",
         [](SettingsMachine& t) {
             t.vm.machine.SetLinkFault({LinkSave::Outcome::ClassMissing, static_cast<std::int32_t>(0x8badf00du)});
         },
         "OLE ｴﾗｰ 8badf00d", "", ""},
        {"interface missing",
         [](SettingsMachine& t) {
             t.vm.machine.SetLinkFault({LinkSave::Outcome::InterfaceMissing, 0});
         },
         "", "", notMade},
        {"a folder that cannot be made", [](SettingsMachine& t) { t.vm.machine.DenyWrites("C:\\MENU\\GROUP"); }, "", "",
         notMade},
        // Denied by name: the run's journal writes to the disk before the link does.
        {"a link file that cannot be written",
         [](SettingsMachine& t) { t.vm.machine.DenyWrites("C:\\MENU\\GROUP\\App.lnk"); }, "", "", notMade},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SettingsMachine t;
        row.fault(t);
        const std::string script = "[ShortCut]\r\nMake1=(App)APP.EXE\r\nName1=(Smn)GROUP\\App\r\n"
                                   "[IniFile]\r\nData1=S,K,V,(App)AFTER.INI\r\n";
        EXPECT_EQ(t.RunRaising(script), row.error);
        if (!row.error.empty()) {
            EXPECT_EQ(t.vm.Get("C:\\APP\\AFTER.INI"), "<missing>") << "the run ended at the shortcut";
            EXPECT_EQ(t.vm.Get("C:\\APP\\UNSETUP.INI"), "<missing>");
            continue;
        }
        SettingsMachine u;
        row.fault(u);
        const InstallRunState state = u.Run(script);
        EXPECT_EQ(state.lists.deleteShortCut, row.recorded);
        EXPECT_EQ(state.failures.text, row.failures);
        EXPECT_FALSE(u.vm.platform.files.Exists("C:\\MENU\\GROUP\\App.lnk"));
    }
}

}  // namespace
}  // namespace lorvel::testing

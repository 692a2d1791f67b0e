#include "app/ScriptKeys.h"

#include <gtest/gtest.h>

#include "../VirtualMachineFixture.h"

namespace lorvel {
namespace {

using namespace platform;

struct ScriptKeysTest : ::testing::Test {
    testing::TestMachine vm;
    ProfileStore profiles{vm.platform.files, "C:\\WINDOWS\\"};
    ScriptKeyReader reader{vm.platform, profiles};
    SetupContext context = MakeContext();

    static SetupContext MakeContext()
    {
        SetupContext c;
        c.sourceFolder = "E:\\";
        c.windowsFolder = "C:\\WINDOWS\\";
        c.programFilesFolder = "C:\\Program Files\\";
        c.tempFolder = "C:\\WINDOWS\\TEMP\\";
        c.scriptFile = "C:\\WINDOWS\\TEMP\\KRTMP1\\SETUP.INI";
        return c;
    }

    GeneralKeys ReadScript(const std::string& script)
    {
        vm.Put(context.scriptFile, script);
        return reader.Read(context);
    }
};

TEST_F(ScriptKeysTest, DefaultsForAnEmptyScript)
{
    const GeneralKeys keys = ReadScript("");
    EXPECT_EQ(keys.setupSpeed, 400);
    EXPECT_TRUE(keys.enabled);
    EXPECT_EQ(keys.setupTitle, "Lorvel Setup 98");
    EXPECT_EQ(keys.unSetupTitle, "Lorvel Setup 98");
    EXPECT_EQ(keys.folder, "C:\\Program Files\\") << "the macro's value already ends with \\";
    EXPECT_EQ(keys.messageText, "セットアップを行います．\r\n");
    EXPECT_EQ(keys.readmePath, "");
    EXPECT_EQ(keys.scrollBars, "ssVertical");
    EXPECT_FALSE(keys.shortcutBoxes[0] || keys.shortcutBoxes[1] || keys.shortcutBoxes[2] || keys.shortcutBoxes[3]);
}

TEST_F(ScriptKeysTest, SetupSpeedIsAWholeNumberOfAtLeastOne)
{
    struct Row {
        std::string value;
        int expected;
    };
    const Row rows[] = {
        {"250", 250},         {"0", 1},  {"-5", 1}, {"fast", 400}, {"", 400}, {" 30 ", 30}, {"1.5", 400},
        {"99999999999", 400}, {"+7", 7},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.value);
        EXPECT_EQ(ReadScript("[Extend]\r\nSetupSpeed=" + row.value + "\r\n").setupSpeed, row.expected);
    }
}

TEST_F(ScriptKeysTest, TitlesAndTheEnabledSwitch)
{
    GeneralKeys keys = ReadScript("[Title]\r\nSetup=App\r\n[Extend]\r\nEnabled=false\r\n");
    EXPECT_EQ(keys.setupTitle, "App");
    EXPECT_EQ(keys.unSetupTitle, "App");
    EXPECT_TRUE(keys.enabled) << "only the exact word False disables";
    keys = ReadScript("[Title]\r\nSetup=App\r\nUnSetup=Remove\r\n[Extend]\r\nEnabled=False\r\n");
    EXPECT_EQ(keys.unSetupTitle, "Remove");
    EXPECT_FALSE(keys.enabled);
}

TEST_F(ScriptKeysTest, TheProposedFolderComesFromTheLastSourceThatGivesOne)
{
    vm.Put("C:\\WINDOWS\\KORAT98.INI", "[MYAPP]\r\nFolder=D:\\Tools\\My\r\n[EMPTY]\r\nFolder=\r\n");
    vm.Put("C:\\WINDOWS\\APP.INI", "[Paths]\r\nTarget=F:\\FromIni\r\n");
    vm.platform.registry.CreateKey(RootKey::LocalMachine, "Software\\Vendor\\App");
    vm.platform.registry.WriteValue(RootKey::LocalMachine, "Software\\Vendor\\App", "InstallDir",
                                    RegValue::String("G:\\FromReg"));
    vm.platform.registry.WriteValue(RootKey::LocalMachine, "Software\\Vendor\\App", "Number", RegValue::DoubleWord(5));
    vm.platform.registry.CreateKey(RootKey::CurrentUser, "Software\\Vendor\\App");
    vm.platform.registry.WriteValue(RootKey::CurrentUser, "Software\\Vendor\\App", "Path",
                                    RegValue::String("H:\\User"));
    struct Row {
        std::string script, expected;
    };
    const Row rows[] = {
        {"[DefaultFolder]\r\nFolder=(Win)Apps\r\n", "C:\\WINDOWS\\Apps\\"},
        {"[ProgramID]\r\nID=MYAPP\r\n", "D:\\Tools\\My\\"},
        {"[ProgramID]\r\nID=OTHER\r\n[DefaultFolder]\r\nFolder=X:\\Def\r\n", "X:\\Def\\"},
        {"[ProgramID]\r\nID=EMPTY\r\n", "\\"},
        {"[DefaultFolder]\r\nReferRegistry=(Local)\\Software\\Vendor\\App\\,InstallDir\r\n", "G:\\FromReg\\"},
        {"[DefaultFolder]\r\nReferRegistry=Software\\Vendor\\App,Path\r\n", "H:\\User\\"},
        {"[DefaultFolder]\r\nReferRegistry=(Local)Software\\Missing,InstallDir\r\n", "C:\\Program Files\\"},
        {"[DefaultFolder]\r\nReferRegistry=(Local)Software\\Vendor\\App,Number\r\n", "C:\\Program Files\\"},
        {"[DefaultFolder]\r\nReferIniFile=Paths,Target,(Win)APP.INI\r\n", "F:\\FromIni\\"},
        {"[DefaultFolder]\r\nReferIniFile=Paths,Target,APP.INI\r\n", "F:\\FromIni\\"},
        {"[DefaultFolder]\r\nReferIniFile=Paths,Missing,(Win)APP.INI\r\nFolder=Y:\\Kept\r\n", "Y:\\Kept\\"},
        {"[ProgramID]\r\nID=MYAPP\r\n[DefaultFolder]\r\n"
         "ReferRegistry=(Local)Software\\Vendor\\App,InstallDir\r\nReferIniFile=Paths,Target,(Win)APP.INI\r\n",
         "F:\\FromIni\\"},
        {"[DefaultFolder]\r\nFolder=(App)\\Sub\r\n", "(App)\\Sub\\"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.script);
        EXPECT_EQ(ReadScript(row.script).folder, row.expected);
    }
}

TEST_F(ScriptKeysTest, MessageReadmeAndShortcutNames)
{
    vm.Put("E:\\DOC\\README.TXT", "hello");
    const GeneralKeys keys =
        ReadScript("[TopMessage]\r\nMessage2=Hello\r\n"
                   "[Readme]\r\nFile=\\DOC\\README.TXT\r\nTitle=Read me\r\nScrollBars=ssBoth\r\n"
                   "[ShortCut]\r\nName1=(C_Dsk)\\Tool\r\nName2=Default\r\nName3=(sen)\\x\r\nName5=(Sta)\\late\r\n");
    EXPECT_EQ(keys.messageText, "\r\nHello\r\n\r\n\r\n\r\n");
    EXPECT_EQ(keys.readmePath, "E:\\DOC\\README.TXT");
    EXPECT_EQ(keys.readmeTitle, "Read me");
    EXPECT_EQ(keys.scrollBars, "ssBoth");
    EXPECT_TRUE(keys.shortcutBoxes[static_cast<std::size_t>(ShortcutBox::Desktop)]);
    EXPECT_TRUE(keys.shortcutBoxes[static_cast<std::size_t>(ShortcutBox::SendTo)])
        << "the endings are found in any case";
    EXPECT_FALSE(keys.shortcutBoxes[static_cast<std::size_t>(ShortcutBox::StartMenu)])
        << "the scan stops at the first missing name";
    EXPECT_FALSE(keys.shortcutBoxes[static_cast<std::size_t>(ShortcutBox::Startup)]);
    EXPECT_EQ(ReadScript("[Readme]\r\nFile=MISSING.TXT\r\n").readmePath, "");
}

TEST_F(ScriptKeysTest, UninstallModeReadsTheRecord)
{
    context.runMode = RunMode::Unsetup;
    context.scriptFile = "C:\\WINDOWS\\TEMP\\KRTMP1\\UNSETUP.INI";
    GeneralKeys keys = ReadScript("[Title]\r\nUnSetup=Remove App\r\n[SetupFolder]\r\nFolder=(Prg)App\r\n"
                                  "[UnSetupOption]\r\nCheckBox=1,0,1,1\r\n");
    EXPECT_EQ(keys.unSetupTitle, "Remove App");
    EXPECT_EQ(keys.folder, "C:\\Program Files\\App\\");
    EXPECT_EQ(keys.checkBox, "1,0,1,1");
    keys = ReadScript("");
    EXPECT_EQ(keys.folder, "\\");
    EXPECT_EQ(keys.checkBox, "0,0,0,0");
}

TEST_F(ScriptKeysTest, AScriptThatIsNotTextStillReads)
{
    std::string binary(4096, '\0');
    for (std::size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>((i * 131) & 0xFF);
    const GeneralKeys keys = ReadScript("[Title]\r\nSetup=A\x81\r\n" + binary + "\r\n[Extend]\r\nSetupSpeed=9");
    EXPECT_EQ(keys.setupTitle, "A\x81");
    const GeneralKeys many = ReadScript([] {
        std::string script = "[ShortCut]\r\n";
        for (int i = 1; i <= 100000; ++i) script += "Name" + std::to_string(i) + "=(App)x\r\n";
        return script;
    }());
    EXPECT_FALSE(many.shortcutBoxes[static_cast<std::size_t>(ShortcutBox::Desktop)]);
}

}  // namespace
}  // namespace lorvel

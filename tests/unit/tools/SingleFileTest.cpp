#include "SingleFile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "../VirtualMachineFixture.h"
#include "Commands.h"
#include "Pack.h"
#include "app/SingleFile.h"
#include "run/FixedNames.h"
#include "util/PeImage.h"

namespace lorvel::tool {
namespace {

// The smallest program the format allows: headers and one section of code.
std::string MinimalProgram()
{
    std::string exe(0x400, '\0');
    auto put = [&](std::size_t at, std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i) exe[at + i] = static_cast<char>(value >> (8 * i));
    };
    exe[0] = 'M';
    exe[1] = 'Z';
    put(0x3C, 0x40, 4);
    exe.replace(0x40, 4, std::string("PE\0\0", 4));
    put(0x44, 0x14C, 2);  // i386
    put(0x46, 1, 2);      // one section
    put(0x54, 224, 2);    // optional header's size
    const std::size_t opt = 0x58;
    put(opt, 0x10B, 2);
    put(opt + 32, 0x1000, 4);  // section alignment
    put(opt + 36, 0x200, 4);   // file alignment
    put(opt + 56, 0x2000, 4);  // image size
    put(opt + 60, 0x200, 4);   // headers' size
    put(opt + 92, 16, 4);      // data directories
    const std::size_t text = opt + 224;
    exe.replace(text, 5, ".text");
    put(text + 8, 0x10, 4);
    put(text + 12, 0x1000, 4);
    put(text + 16, 0x200, 4);
    put(text + 20, 0x200, 4);
    exe.replace(0x200, 3, "\xC3\xC3\xC3");
    return exe;
}

std::vector<CarriedFile> SampleFiles()
{
    static const std::string program = MinimalProgram();
    static const std::string big(3 << 20, 'b');  // spans several of the reader's pieces
    return {{kProgramName, program},
            {kScriptName, "[Title]\r\nSetupTitle=T\r\n"},
            {"EMPTY.TXT", ""},
            {"\x95\x5C.TXT", "a name whose second byte is a backslash"},
            {"BIG.DAT", big}};
}

struct Unpacked {
    CarriedResult result;
    std::vector<std::string> names;
};

Unpacked Read(const std::string& single)
{
    const SingleFileCheck check = CheckSingleFile(single);
    EXPECT_TRUE(check.carries);
    return {check.result, check.names};
}

// Where each part of the carried files begins, for damage aimed at it.
struct Parts {
    std::size_t descriptor, firstName, firstSize, firstBytes, last;
};
Parts PartsOf(const std::string& single)
{
    const auto section = FindPeSection(single, kCarriedSectionName, PeLayout::File);
    const auto d = ParseDescriptor(*section);
    const auto start = static_cast<std::size_t>(d->offset);
    const std::size_t nameLength = static_cast<unsigned char>(single[start]);
    return {static_cast<std::size_t>(section->data() - single.data()), start + 2, start + 2 + nameLength,
            start + 10 + nameLength, start + static_cast<std::size_t>(d->length) - 1};
}

TEST(SingleFileTest, EveryCutOrChangedPartIsFoundBeforeAnythingIsUsed)
{
    std::string error;
    const std::string single = BuildSingleFile(MinimalProgram(), SampleFiles(), error);
    ASSERT_FALSE(single.empty()) << error;
    const Unpacked intact = Read(single);
    EXPECT_EQ(intact.result.fault, CarriedFault::None);
    EXPECT_EQ(intact.names.size(), SampleFiles().size());
    EXPECT_EQ(FindPeSection(single, ".text", PeLayout::File)->substr(0, 3), "\xC3\xC3\xC3") << "the program is kept";

    const Parts p = PartsOf(single);
    struct Row {
        const char* what;
        std::size_t at;
        bool cut;  // else the byte is flipped
        CarriedFault expected;
    };
    const Row rows[] = {
        {"cut in the first name's length", p.firstName - 1, true, CarriedFault::CutShort},
        {"cut in the first name", p.firstName + 1, true, CarriedFault::CutShort},
        {"cut in the first size", p.firstSize + 3, true, CarriedFault::CutShort},
        {"cut in the first file's bytes", p.firstBytes + 100, true, CarriedFault::CutShort},
        {"cut before the last byte", p.last, true, CarriedFault::CutShort},
        {"flipped: the first name's length", p.firstName - 2, false, CarriedFault::Name},
        {"flipped: the first name", p.firstName, false, CarriedFault::Digest},
        {"flipped: the first size", p.firstSize + 5, false, CarriedFault::Layout},
        {"flipped: the first file's bytes", p.firstBytes + 7, false, CarriedFault::Digest},
        {"flipped: the last byte", p.last, false, CarriedFault::Digest},
        {"flipped: the descriptor's magic", p.descriptor, false, CarriedFault::Layout},
        {"flipped: the descriptor's count", p.descriptor + 12, false, CarriedFault::Layout},
        {"flipped: the descriptor's offset", p.descriptor + 16, false, CarriedFault::Name},
        {"flipped: the descriptor's length", p.descriptor + 24, false, CarriedFault::Layout},
        {"flipped: the descriptor's digest", p.descriptor + 40, false, CarriedFault::Digest},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::string damaged = single;
        if (row.cut)
            damaged.resize(row.at);
        else
            damaged[row.at] = static_cast<char>(damaged[row.at] ^ 0x01);
        EXPECT_EQ(Read(damaged).result.fault, row.expected);
    }
}

TEST(SingleFileTest, ANameThatCouldLandElsewhereIsRefusedEvenWithAMatchingDigest)
{
    struct Row {
        std::string name;
        bool accepted;
    };
    const Row rows[] = {
        {"README.TXT", true},
        {"\x95\x5C.TXT", true},
        {"..\\EVIL.DLL", false},
        {"C:\\EVIL.DLL", false},
        {"SUB\\A.TXT", false},
        {"..", false},
        {"A/B", false},
        {"A.TXT:stream", false},
        {"CON", false},
        {"nul.txt", false},
        {"COM1.DAT", false},
        {"A.TXT.", false},
        {"A.TXT ", false},
        {"", false},
        {std::string(256, 'A'), false},
        {"\x01.TXT", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string error;
        const std::string single =
            BuildSingleFile(MinimalProgram(), {{kProgramName, "p"}, {row.name, "payload"}}, error);
        EXPECT_EQ(Read(single).result.fault, row.accepted ? CarriedFault::None : CarriedFault::Name);
    }
    std::string error;
    const std::string twice = BuildSingleFile(MinimalProgram(), {{"A.TXT", "1"}, {"a.txt", "2"}}, error);
    EXPECT_EQ(Read(twice).result.fault, CarriedFault::Name) << "the second would replace the first";
}

TEST(SingleFileTest, AnEntryLargerThanWhatFollowsIsRefusedBeforeItIsWritten)
{
    // A size field as a forger would write it, with the digest made to match.
    std::string files;
    files += std::string("\x05\x00", 2) + "A.TXT";
    const std::uint64_t claimed = 1ull << 40;
    for (int i = 0; i < 8; ++i) files.push_back(static_cast<char>(claimed >> (8 * i)));
    files += "tiny";
    CarriedDescriptor d;
    d.count = 1;
    d.length = files.size();
    Sha256 hash;
    hash.Update(files);
    d.digest = hash.Finish();
    std::string exe = MinimalProgram();
    std::string error;
    ASSERT_TRUE(AddPeSection(exe, kCarriedSectionName, SerializeDescriptor(d), error)) << error;
    d.offset = exe.size();
    const auto section = FindPeSection(exe, kCarriedSectionName, PeLayout::File);
    exe.replace(static_cast<std::size_t>(section->data() - exe.data()), kCarriedDescriptorSize, SerializeDescriptor(d));
    const Unpacked read = Read(exe + files);
    EXPECT_EQ(read.result.fault, CarriedFault::Layout);
    EXPECT_TRUE(read.names.empty()) << "nothing was begun";
}

// Start-up on a simulated machine whose SETUP.EXE holds these bytes, up to the unpack.
struct Started {
    lorvel::testing::TestMachine vm;
    FileOps ops{vm.platform};
    StartupDecision decision;
    bool unpacked = false;

    explicit Started(const std::string& program, std::uint64_t free = 4ull << 30,
                     const std::function<void(Started&)>& afterSectionRead = {})
    {
        const std::string path = vm.machine.Config().programPath;
        vm.Put(path, program);
        vm.machine.SetDisk('C', {8ull << 30, free});
        if (afterSectionRead) vm.machine.AfterNextRead(path, [this, afterSectionRead] { afterSectionRead(*this); });
        decision.context.tempFolder = "C:\\TEMP\\";
        EXPECT_TRUE(ops.CreateFolderTree("C:\\TEMP\\"));
        PrepareWorkFolder(decision, vm.platform, ops);
        unpacked = UnpackCarriedMedium(decision, vm.platform, ops);
    }
};

std::string Single(const std::vector<CarriedFile>& files)
{
    std::string error;
    std::string single = BuildSingleFile(MinimalProgram(), files, error);
    EXPECT_FALSE(single.empty()) << error;
    return single;
}

TEST(StartupUnpack, TheRunReadsTheUnpackedMediumAndTheUninstallerIsThePlainProgram)
{
    Started s(Single(SampleFiles()));
    ASSERT_TRUE(s.unpacked);
    CopyStartupFiles(s.decision, s.vm.platform, s.ops);
    ASSERT_EQ(s.decision.fatalText, "");
    const std::string& work = s.decision.context.workFolder;
    EXPECT_EQ(s.decision.context.sourceFolder, work + "MEDIUM\\");
    for (const CarriedFile& file : SampleFiles())
        EXPECT_EQ(s.vm.Get(work + "MEDIUM\\" + file.name), file.bytes) << file.name;
    EXPECT_EQ(s.vm.Get(work + kScriptName), "[Title]\r\nSetupTitle=T\r\n");
    EXPECT_EQ(s.vm.Get(work + kProgramWorkCopyName), MinimalProgram()) << "without the medium";
}

TEST(StartupUnpack, ADamagedOrSwappedFileStopsTheRunAndLeavesNothing)
{
    const std::string single = Single(SampleFiles());
    // Another medium, whole in itself, that an unelevated process puts in the program's
    // place once the elevated program has started.
    const std::string other = Single({{kProgramName, "evil"}, {kScriptName, "[Title]\r\n"}, {"EVIL.DLL", "x"}});
    struct Row {
        const char* what;
        std::string bytes;
        bool swap;
        std::uint64_t free;
        const char* reason;
    };
    const Row rows[] = {
        {"cut short", single.substr(0, single.size() - 1000), false, 4ull << 30, "途中で切れています"},
        {"changed", single.substr(0, 3000) + "!" + single.substr(3001), false, 4ull << 30, "一致しません"},
        {"swapped after start", single, true, 4ull << 30, "壊れている"},
        {"a full disk", single, false, 1 << 20, "展開できません"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const auto swap = [&](Started& s) { s.vm.Put(s.vm.machine.Config().programPath, other); };
        Started s(row.bytes, row.free, row.swap ? std::function<void(Started&)>(swap) : nullptr);
        EXPECT_FALSE(s.unpacked) << "no script is looked for beside it";
        EXPECT_NE(s.decision.fatalText.find(kFatalCarriedMedium), std::string::npos) << s.decision.fatalText;
        EXPECT_NE(s.decision.fatalText.find(row.reason), std::string::npos) << s.decision.fatalText;
        EXPECT_FALSE(s.vm.platform.files.Exists(s.decision.context.workFolder + "MEDIUM")) << "nothing of it is left";
    }
}

// Packed as one file, the sample and each medium the tests ship unpack to exactly
// their files.
TEST(SingleFileRoundTrip, TheSampleAndEveryE2eMediumComeBackAsTheyWent)
{
    const fs::path repo = fs::path(__FILE__).parent_path().parent_path().parent_path().parent_path();
    lorvel::testing::ScratchFolder scratch;
    PackOptions pack;
    pack.script = repo / "samples" / "sample-app" / "SETUP.INI";
    pack.sources = scratch.Path() / "src";
    fs::create_directories(pack.sources);
    for (const char* part : {"files", "compress"})
        for (const auto& entry : fs::directory_iterator(repo / "samples" / "sample-app" / part))
            fs::copy_file(entry.path(), pack.sources / entry.path().filename());
    pack.setupExe = scratch.Path() / "SETUP.EXE";
    std::ofstream(pack.setupExe, std::ios::binary) << MinimalProgram();
    pack.singleFile = scratch.Path() / "SAMPLE-SETUP.EXE";
    std::ostringstream out, err;
    ASSERT_NE(RunPack(pack, out, err), kExitError) << err.str();
    std::ifstream in(pack.singleFile, std::ios::binary);
    const Unpacked sample = Read(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
    EXPECT_EQ(sample.result.fault, CarriedFault::None);
    EXPECT_GE(sample.names.size(), 3u) << "SETUP.EXE, the script and the files";

    const std::string program = MinimalProgram();
    int media = 0;
    for (const auto& scenario : fs::directory_iterator(repo / "tests" / "e2e" / "scenarios")) {
        if (!fs::is_directory(scenario.path() / "medium")) continue;
        SCOPED_TRACE(scenario.path().filename().string());
        std::vector<std::pair<std::string, std::string>> held;
        for (const auto& entry : fs::directory_iterator(scenario.path() / "medium")) {
            std::ifstream file(entry.path(), std::ios::binary);
            if (entry.is_regular_file())
                held.emplace_back(entry.path().filename().string(), std::string((std::istreambuf_iterator<char>(file)),
                                                                                std::istreambuf_iterator<char>()));
        }
        std::vector<CarriedFile> files = {{kProgramName, program}};
        for (const auto& [name, bytes] : held) files.push_back({name, bytes});
        Started s(Single(files));
        ASSERT_EQ(s.decision.fatalText, "");
        for (const auto& [name, bytes] : held)
            EXPECT_EQ(s.vm.Get(s.decision.context.sourceFolder + name), bytes) << name;
        ++media;
    }
    EXPECT_GT(media, 30);
}

}  // namespace
}  // namespace lorvel::tool

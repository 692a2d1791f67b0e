#include "app/SingleFile.h"

#include "run/FixedNames.h"
#include "util/CarriedMedium.h"
#include "util/ShiftJisText.h"

namespace lorvel {

using namespace platform;

namespace {

// Each file made new in the folder, then grown piece by piece.
class FolderSink final : public CarriedSink {
public:
    FolderSink(FileSystem& files, std::string folder) : files_(files), folder_(std::move(folder)) {}

    std::uint32_t Begin(const std::string& name) override
    {
        path_ = folder_ + name;
        return files_.CreateNewFile(path_, {});
    }
    std::uint32_t Write(std::string_view bytes) override { return files_.AppendToFile(path_, bytes); }
    std::uint32_t End() override { return kErrorSuccess; }

private:
    FileSystem& files_;
    std::string folder_;
    std::string path_;
};

std::string ReasonOf(const CarriedResult& result, FileOps& ops)
{
    const std::string damaged = "このファイルは壊れているか，途中までしかありません．もう一度入手してください．\r\n";
    switch (result.fault) {
    case CarriedFault::CutShort: return damaged + "(ファイルが途中で切れています)\r\n";
    case CarriedFault::Digest: return damaged + "(内容が作成されたときと一致しません)\r\n";
    case CarriedFault::Name: return damaged + "(不正なファイル名: " + result.name + ")\r\n";
    case CarriedFault::Read: return "このファイルを読み込めません．\r\n" + ops.SystemErrorText(result.error);
    case CarriedFault::Write:
        return "作業フォルダに展開できません．\r\n" + result.name + "\r\n" + ops.SystemErrorText(result.error);
    default: return damaged + "(格納されたファイルの並びが正しくありません)\r\n";
    }
}

}  // namespace

bool UnpackCarriedMedium(StartupDecision& decision, Platform& platform, FileOps& ops)
{
    SetupContext& c = decision.context;
    if (c.workFolder.empty() || c.Uninstalling()) return true;
    const auto section = platform.system.GetProgramSection(kCarriedSectionName);
    if (!section) return true;
    const std::string program = platform.system.GetProgramPath();
    const std::string folder = c.workFolder + kCarriedMediumFolder + "\\";
    CarriedResult result;
    const auto descriptor = ParseDescriptor(*section);
    if (!descriptor) {
        result.fault = CarriedFault::Layout;
    } else if (const ErrorCode made = platform.files.CreateFolder(folder)) {
        result = {CarriedFault::Write, made, folder};
    } else {
        FolderSink sink(platform.files, folder);
        const CarriedReadAt readAt = [&](std::uint64_t offset, std::size_t size, std::string& bytes) {
            return platform.files.ReadFileRange(program, offset, size, bytes);
        };
        result = UnpackCarried(*descriptor, readAt, sink);
        // The program the uninstaller is made from travels with the medium: the
        // running file is the program and the medium together.
        if (result.fault == CarriedFault::None && !platform.files.Exists(folder + kProgramName))
            result.fault = CarriedFault::Layout;
    }
    if (result.fault != CarriedFault::None) {
        if (ops.FolderExists(folder)) ops.RemoveFolder(folder, "*.*");
        decision.fatalText += std::string(kFatalCarriedMedium) + "\r\n" + program + "\r\n" + ReasonOf(result, ops);
        return false;
    }
    c.sourceFolder = folder;
    c.sourceDrive = StrLeft(folder, 2) + "\\";
    decision.programFile = folder + kProgramName;
    return true;
}

}  // namespace lorvel

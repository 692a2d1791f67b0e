// The four services of the simulated machine, each over the machine's shared state.
#pragma once

#include "platform/virtual/VirtualState.h"

namespace lorvel::platform::virt {

class VirtualFileSystem final : public FileSystem {
public:
    explicit VirtualFileSystem(VirtualMachine::State& state) : s_(state) {}

    // The access list a new folder gets: the folder above's, or one of its own.
    enum class Access { Inherited, Private, Admin };

    ErrorCode CreateFolder(const std::string& path) override;
    ErrorCode CreatePrivateFolder(const std::string& path) override;
    ErrorCode CreateAdminFolder(const std::string& path) override;
    ErrorCode QueryOthersMayWrite(const std::string& folder, bool& othersMayWrite) override;
    ErrorCode RemoveFolder(const std::string& path) override;
    ErrorCode Copy(const std::string& source, const std::string& destination, bool failIfExists) override;
    ErrorCode RemoveFile(const std::string& path) override;
    ErrorCode GetAttributes(const std::string& path, std::uint32_t& attributes) override;
    ErrorCode SetAttributes(const std::string& path, std::uint32_t attributes) override;
    ErrorCode QueryFile(const std::string& path, FindEntry& info) override;
    ErrorCode FindEntries(const std::string& pattern, std::vector<FindEntry>& entries) override;
    using FileSystem::ReadWholeFile;
    ErrorCode ReadWholeFile(const std::string& path, std::string& bytes, std::uint64_t limit) override;
    ErrorCode WriteWholeFile(const std::string& path, const std::string& bytes) override;
    ErrorCode ReadFileRange(const std::string& path, std::uint64_t offset, std::size_t size,
                            std::string& bytes) override;
    ErrorCode CreateNewFile(const std::string& path, std::string_view bytes) override;
    ErrorCode AppendToFile(const std::string& path, std::string_view bytes) override;
    ErrorCode FlushFile(const std::string& path) override;
    std::unique_ptr<Appender> OpenAppender(const std::string& path, ErrorCode& code) override;
    ErrorCode FlushVolume(const std::string& path) override;
    ErrorCode ShellDelete(const std::string& path) override;
    ErrorCode SetCurrentFolder(const std::string& path) override;
    std::string GetCurrentFolder() override;
    bool HasDiskSpaceEx() override;
    ErrorCode QueryDiskSpaceEx(const std::string& root, DiskSpace& space) override;
    ErrorCode QueryDiskSpace(const std::string& root, DiskGeometry& geometry) override;

private:
    struct Target;
    Target Locate(const std::string& path) const;
    ErrorCode CheckWritable(const Target& target) const;
    ErrorCode DeleteTree(const Target& target);
    ErrorCode MakeFolder(const std::string& path, Access access);
    ErrorCode Reserve(char drive, std::uint64_t newSize, std::uint64_t oldSize);
    void Release(char drive, std::uint64_t size);
    FindEntry EntryOf(const Target& target) const;
    static void StatInto(Target& target);

    VirtualMachine::State& s_;
};

class VirtualRegistry final : public Registry {
public:
    // wow64View: the program's view, redirected as a 32-bit program's is where the
    // machine says so; otherwise the keys as they are stored.
    VirtualRegistry(VirtualMachine::State& state, bool wow64View) : s_(state), wow64View_(wow64View) {}

    ErrorCode CreateKey(RootKey root, const std::string& path) override;
    ErrorCode OpenKey(RootKey root, const std::string& path) override;
    ErrorCode DeleteKeyTree(RootKey root, const std::string& path) override;
    ErrorCode ReadValue(RootKey root, const std::string& path, const std::string& name, RegValue& value) override;
    ErrorCode WriteValue(RootKey root, const std::string& path, const std::string& name,
                         const RegValue& value) override;
    ErrorCode DeleteValue(RootKey root, const std::string& path, const std::string& name) override;
    ErrorCode EnumSubKeys(RootKey root, const std::string& path, std::vector<std::string>& names) override;
    ErrorCode EnumValues(RootKey root, const std::string& path,
                         std::vector<std::pair<std::string, RegValue>>& values) override;

private:
    RegKey* Find(RootKey root, const std::string& path);
    bool IsDenied(RootKey root, const std::string& path) const;
    std::string Stored(RootKey root, const std::string& named) const;

    VirtualMachine::State& s_;
    bool wow64View_;
};

class VirtualSystem final : public System {
public:
    explicit VirtualSystem(VirtualMachine::State& state) : s_(state) {}

    std::optional<OsVersion> GetVersion() override;
    std::string GetWindowsFolder() override;
    std::string GetSystemFolder() override;
    std::string GetSystemWow64Folder() override;
    std::string GetOtherProgramFilesFolder() override;
    std::string GetTempFolder() override;
    std::string GetProgramPath() override;
    std::string GetProgramCommandLine() override;
    std::optional<std::string> GetProgramSection(const std::string& name) override;
    std::optional<std::string> GetFileVersionString(const std::string& path) override;
    std::string GetErrorText(ErrorCode code) override;
    bool IsDoubleByteSystem() override;
    std::string MapTextBySystem(const std::string& text, std::uint32_t flags) override;
    std::unique_ptr<NamedMutex> OpenNamedMutex(const std::string& name) override;
    std::unique_ptr<NamedMutex> CreateNamedMutex(const std::string& name) override;
    std::uint32_t ToLocalDosDateTime(std::uint64_t fileTime) override;
    void Sleep(std::uint32_t milliseconds) override;
    std::uint32_t GetTickCount() override;
    std::uint64_t GetMicroseconds() override;
    std::uint64_t GetUnforeseeableNumber() override;
    LocalTime GetLocalTime() override;
    std::optional<std::string> ShiftJisToUtf8(const std::string& text) override;
    std::optional<std::string> Utf8ToShiftJis(const std::string& text) override;

private:
    VirtualMachine::State& s_;
};

// A library is a file that begins with "MZ"; its exports are lines "Name=result"
// after that, so a test writes the component it needs.
class VirtualComponents final : public Components {
public:
    explicit VirtualComponents(VirtualMachine::State& state) : s_(state) {}
    std::unique_ptr<ComponentLibrary> Load(const std::string& path) override;

private:
    VirtualMachine::State& s_;
};

// Our own SZDD expander, standing in for the platform's.
class VirtualLz final : public LzExpander {
public:
    explicit VirtualLz(VirtualMachine::State& state) : s_(state) {}
    std::string ExpandedNameOf(const std::string& path) override;
    ErrorCode Expand(const std::string& source, const std::string& destination) override;

private:
    VirtualMachine::State& s_;
};

class VirtualShellLinks final : public ShellLinks {
public:
    explicit VirtualShellLinks(VirtualMachine::State& state) : s_(state) {}
    LinkSave SaveLink(const std::string& path, const LinkFields& fields) override;
    ErrorCode ReadLink(const std::string& path, LinkFields& fields) override;

private:
    VirtualMachine::State& s_;
};

class VirtualShell final : public Shell {
public:
    explicit VirtualShell(VirtualMachine::State& state) : s_(state) {}

    std::string GetSpecialFolder(int csidl) override;
    void ChangeNotify(long eventId, unsigned flags) override;
    int RestartDialog(const std::string& prompt, int exitFlags) override;
    std::intptr_t OpenFile(const std::string& file, const std::string& parameters) override;

private:
    VirtualMachine::State& s_;
};

}  // namespace lorvel::platform::virt

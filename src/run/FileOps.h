// The file and folder operations that start-up, both runs and program exit share.
// None of them shows anything or throws: results are true/false or 0 and a Windows
// error code, and the caller decides.
//
//   FolderExists("C:\\EMPTY\\")   => true for an existing empty folder
//   FolderExists("C:\\A.TXT")     => false (the search looks inside it)
//   CreateFolderTree("C:\\N1\\N2\\") creates C:\N1\ then C:\N1\N2\ => true
//   DeleteFiles("C:\\MISSING.TXT") => 2, without calling the shell
//   SystemErrorText(0)            => ""
//   SystemErrorText(5)            => "アクセスが拒否されました" in full width + CR LF
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/Platform.h"

namespace lorvel {

using platform::ErrorCode;

// True when the path names a component (".OCX" or ".DLL" anywhere, any case).
bool IsComponentFile(const std::string& path);

class FileOps {
public:
    explicit FileOps(platform::Platform& platform) : platform_(platform) {}

    bool FolderExists(const std::string& folder);
    // Each missing level is made with the folder above's access list, or, for what is
    // installed, with the administrators' own (FileSystem::CreateAdminFolder).
    enum class NewFolders { Inherit, Administrators };
    bool CreateFolderTree(const std::string& folder, NewFolders access = NewFolders::Inherit);
    ErrorCode CopyFileOverwrite(const std::string& source, const std::string& destination);
    // The same when the caller knows already whether the destination exists and what
    // attributes the source has (nullopt: not known), which spares those questions.
    ErrorCode CopyFileOverwrite(const std::string& source, const std::string& destination, bool destinationExists,
                                std::optional<std::uint32_t> sourceAttributes);
    // A copy that only creates: 80 (file exists), with nothing changed, when
    // anything of that name is there already.
    ErrorCode CopyFileToNew(const std::string& source, const std::string& destination,
                            std::optional<std::uint32_t> sourceAttributes);
    ErrorCode DeleteFiles(const std::string& path);
    // The same without loading a component to unregister it first: for a library that
    // is not the one its registration was made with.
    ErrorCode DeleteFilesUnloaded(const std::string& path);
    // Deletes folder + each "|"-separated pattern, then removes the folder itself.
    ErrorCode RemoveFolder(const std::string& folder, const std::string& patterns);
    std::string SystemErrorText(ErrorCode code);
    // The SHA-256 of a file's bytes in hexadecimal; "" when it cannot be read.
    std::string DigestOf(const std::string& path);

    // Called with a component's path before DeleteFiles deletes it; the shared-file
    // module installs the unregistration here.
    using ComponentUnregistrar = std::function<void(const std::string& path)>;
    void SetComponentUnregistrar(ComponentUnregistrar unregistrar) { unregistrar_ = std::move(unregistrar); }

private:
    void LeaveWritable(const std::string& destination, std::optional<std::uint32_t> sourceAttributes);
    ErrorCode Delete(const std::string& path, bool unregister);

    platform::Platform& platform_;
    ComponentUnregistrar unregistrar_;
};

}  // namespace lorvel

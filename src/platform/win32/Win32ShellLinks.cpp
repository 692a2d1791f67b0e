// Win32 calls only: shell links through the shell's own link object.
#include "platform/win32/Com.h"
#include "platform/win32/Win32Platform.h"

namespace lorvel::platform::win32 {

using lorvel::win32::ComPtr;
using lorvel::win32::ExactWideFromSystemCodePage;

namespace {

// The link object reads its texts through its "A" interface in the system's code
// page, so the file name is widened the same way: the link and its name agree on
// any system, and on a Japanese one both are the program's Shift-JIS. nullopt for a
// name that code page cannot read, which names no file.
std::optional<std::wstring> LinkFileName(const std::string& path)
{
    if (path.find('\0') != std::string::npos) return std::nullopt;
    return ExactWideFromSystemCodePage(path);
}

// Failures of the system's own calls keep their Windows error; the object's other
// failures (a file that is no link, a missing interface) say only that.
ErrorCode ErrorOf(HRESULT result)
{
    return HRESULT_FACILITY(result) == FACILITY_WIN32 ? static_cast<ErrorCode>(HRESULT_CODE(result))
                                                      : kErrorInvalidData;
}

struct LinkObject {
    ComPtr<IShellLinkA> link;
    ComPtr<IPersistFile> file;
    LinkSave made;
};

// The link object with both interfaces the service uses, or how far its making got.
LinkObject MakeLinkObject()
{
    LinkObject object;
    ComPtr<IUnknown> unknown;
    const HRESULT created = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                               IID_IUnknown, unknown.PutVoid());
    if (FAILED(created) || !unknown) {
        const HRESULT status = FAILED(created) ? created : E_POINTER;
        object.made = {LinkSave::Outcome::ClassMissing, static_cast<std::int32_t>(status)};
        return object;
    }
    HRESULT queried = S_OK;
    object.link = unknown.As<IShellLinkA>(IID_IShellLinkA, &queried);
    if (object.link) object.file = unknown.As<IPersistFile>(IID_IPersistFile, &queried);
    if (!object.link || !object.file) {
        object.link.Reset();
        object.file.Reset();
        const HRESULT status = FAILED(queried) ? queried : E_NOINTERFACE;
        object.made = {LinkSave::Outcome::InterfaceMissing, static_cast<std::int32_t>(status)};
    }
    return object;
}

// Arguments are the longest text a link keeps; a path or a folder fits as well.
constexpr int kFieldChars = INFOTIPSIZE;

template <typename Read>
HRESULT ReadField(std::string& field, Read read)
{
    char buffer[kFieldChars + 1] = {};
    const HRESULT result = read(buffer, kFieldChars);
    if (SUCCEEDED(result)) field = buffer;
    return result;
}

class Win32ShellLinks final : public ShellLinks {
public:
    LinkSave SaveLink(const std::string& path, const LinkFields& fields) override
    {
        const LinkObject object = MakeLinkObject();
        if (object.made.outcome != LinkSave::Outcome::Saved) return object.made;
        // A set call or a save that fails tells nothing the caller cannot see better
        // in the file system: whether the link is there.
        object.link->SetPath(fields.target.c_str());
        object.link->SetWorkingDirectory(fields.workingFolder.c_str());
        if (!fields.arguments.empty()) object.link->SetArguments(fields.arguments.c_str());
        if (const std::optional<std::wstring> name = LinkFileName(path)) object.file->Save(name->c_str(), FALSE);
        return {};
    }

    ErrorCode ReadLink(const std::string& path, LinkFields& fields) override
    {
        const LinkObject object = MakeLinkObject();
        if (object.made.outcome != LinkSave::Outcome::Saved) return ErrorOf(object.made.status);
        const std::optional<std::wstring> name = LinkFileName(path);
        if (!name) return kErrorNoUnicodeTranslation;
        if (const HRESULT loaded = object.file->Load(name->c_str(), STGM_READ); FAILED(loaded)) return ErrorOf(loaded);
        IShellLinkA& link = *object.link.Get();
        LinkFields read;
        HRESULT result = ReadField(read.target, [&](char* buffer, int size) {
            // The raw path is the target as it was set; without the flag Windows
            // hands back what it resolved it to (variables expanded). Wine gives
            // the same under every flag.
            return link.GetPath(buffer, size, nullptr, SLGP_RAWPATH);
        });
        if (SUCCEEDED(result))
            result = ReadField(read.workingFolder,
                               [&](char* buffer, int size) { return link.GetWorkingDirectory(buffer, size); });
        if (SUCCEEDED(result))
            result = ReadField(read.arguments, [&](char* buffer, int size) { return link.GetArguments(buffer, size); });
        if (FAILED(result)) return ErrorOf(result);
        fields = std::move(read);
        return kErrorSuccess;
    }
};

}  // namespace

std::unique_ptr<ShellLinks> MakeWin32ShellLinks()
{
    return std::make_unique<Win32ShellLinks>();
}

}  // namespace lorvel::platform::win32

// The simulated machine's links: a small file of its own at the link path, written
// through the machine's file system so that its faults (a missing folder, a denied
// one, a full disk) act on links as they do on other files.
#include <charconv>

#include "platform/virtual/VirtualServices.h"

namespace lorvel::platform::virt {

namespace {

constexpr std::string_view kMagic = "VIRTUAL-LINK\n";
constexpr std::int32_t kClassNotRegistered = static_cast<std::int32_t>(0x80040154u);  // REGDB_E_CLASSNOTREG

void PutField(std::string& out, const std::string& field)
{
    out += std::to_string(field.size());
    out += ':';
    out += field;
    out += '\n';
}

bool TakeField(std::string_view& in, std::string& field)
{
    const auto colon = in.find(':');
    if (colon == std::string_view::npos) return false;
    std::size_t length = 0;
    const auto [end, error] = std::from_chars(in.data(), in.data() + colon, length);
    if (error != std::errc{} || end != in.data() + colon || length > in.size() - colon - 1) return false;
    field.assign(in.substr(colon + 1, length));
    in.remove_prefix(colon + 1 + length);
    if (in.empty() || in.front() != '\n') return false;
    in.remove_prefix(1);
    return true;
}

}  // namespace

LinkSave VirtualShellLinks::SaveLink(const std::string& path, const LinkFields& fields)
{
    if (s_.Count(OperationKind::LinkSave)) return {LinkSave::Outcome::ClassMissing, kClassNotRegistered};
    if (s_.linkFault.outcome != LinkSave::Outcome::Saved) return s_.linkFault;
    std::string bytes(kMagic);
    PutField(bytes, fields.target);
    PutField(bytes, fields.workingFolder);
    PutField(bytes, fields.arguments);
    const ErrorCode written = s_.files->WriteWholeFile(path, bytes);
    s_.journal.push_back("link " + path + " -> " + fields.target + (written == kErrorSuccess ? "" : " failed"));
    return {};
}

ErrorCode VirtualShellLinks::ReadLink(const std::string& path, LinkFields& fields)
{
    std::string bytes;
    if (const ErrorCode read = s_.files->ReadWholeFile(path, bytes)) return read;
    std::string_view in(bytes);
    if (!in.starts_with(kMagic)) return kErrorInvalidData;
    in.remove_prefix(kMagic.size());
    LinkFields read;
    if (!TakeField(in, read.target) || !TakeField(in, read.workingFolder) || !TakeField(in, read.arguments) ||
        !in.empty())
        return kErrorInvalidData;
    fields = std::move(read);
    return kErrorSuccess;
}

}  // namespace lorvel::platform::virt

#include "SingleFile.h"

#include <cstring>

#include "util/PeImage.h"

namespace lorvel::tool {

namespace {

// The file names in order, the bytes themselves only counted into the digest.
class NameSink final : public CarriedSink {
public:
    explicit NameSink(std::vector<std::string>& names) : names_(names) {}
    std::uint32_t Begin(const std::string& name) override
    {
        names_.push_back(name);
        return 0;
    }
    std::uint32_t Write(std::string_view) override { return 0; }
    std::uint32_t End() override { return 0; }

private:
    std::vector<std::string>& names_;
};

}  // namespace

std::string BuildSingleFile(std::string setupExe, const std::vector<CarriedFile>& files, std::string& error)
{
    CarriedDescriptor descriptor;
    const std::string carried = SerializeCarriedFiles(files, descriptor);
    if (!AddPeSection(setupExe, kCarriedSectionName, SerializeDescriptor(descriptor), error)) {
        error = "SETUP.EXE: " + error;
        return {};
    }
    // The files follow the section, which ends the program; the descriptor is filled
    // in where the section lies, now that the place is known.
    descriptor.offset = setupExe.size();
    const auto section = FindPeSection(setupExe, kCarriedSectionName, PeLayout::File);
    const std::string filled = SerializeDescriptor(descriptor);
    std::memcpy(setupExe.data() + (section->data() - setupExe.data()), filled.data(), filled.size());
    setupExe += carried;
    // A signature is appended at a multiple of eight; padded here, nothing is added
    // between the files and it.
    setupExe.resize((setupExe.size() + 7) / 8 * 8, '\0');
    UpdatePeChecksum(setupExe);
    return setupExe;
}

SingleFileCheck CheckSingleFile(const std::string& bytes)
{
    SingleFileCheck check;
    const auto section = FindPeSection(bytes, kCarriedSectionName, PeLayout::File);
    if (!section) return check;
    check.carries = true;
    const auto descriptor = ParseDescriptor(*section);
    if (!descriptor) {
        check.result.fault = CarriedFault::Layout;
        return check;
    }
    NameSink sink(check.names);
    const CarriedReadAt readAt = [&](std::uint64_t offset, std::size_t size, std::string& out) {
        out = offset < bytes.size() ? bytes.substr(static_cast<std::size_t>(offset), size) : std::string();
        return 0u;
    };
    check.result = UnpackCarried(*descriptor, readAt, sink);
    return check;
}

std::string DescribeCarriedFault(const CarriedResult& result)
{
    switch (result.fault) {
    case CarriedFault::None:
        return "the carried medium holds (" + std::to_string(result.files) + " files, digest matches)";
    case CarriedFault::CutShort: return "the file is cut short: it ends before the medium it carries";
    case CarriedFault::Digest: return "the carried medium was changed: its digest does not match";
    case CarriedFault::Name:
        return "the carried medium names a file that could land outside its folder, or twice: " + result.name;
    case CarriedFault::Read: return "the file cannot be read";
    case CarriedFault::Write: return "a carried file cannot be written: " + result.name;
    case CarriedFault::Layout: break;
    }
    return "the carried medium's parts do not fit together";
}

}  // namespace lorvel::tool

#include <sstream>

#include "platform/virtual/VirtualServices.h"
#include "util/ShiftJisText.h"
#include "util/Szdd.h"

namespace lorvel::platform::virt {

namespace {

constexpr std::int32_t kFailed = static_cast<std::int32_t>(0x80004005u);  // E_FAIL

class VirtualLibrary final : public ComponentLibrary {
public:
    VirtualLibrary(VirtualMachine::State& state, std::string path, std::map<std::string, std::int32_t> exports)
        : s_(state), path_(std::move(path)), exports_(std::move(exports))
    {
        s_.journal.push_back("load " + path_);
    }
    ~VirtualLibrary() override { s_.journal.push_back("unload " + path_); }

    std::optional<std::int32_t> Call(const std::string& entryPoint) override
    {
        const auto found = exports_.find(entryPoint);
        if (found == exports_.end()) return std::nullopt;
        s_.journal.push_back("call " + path_ + " " + entryPoint);
        if (s_.Count(OperationKind::ComponentCall)) return kFailed;
        return found->second;
    }

private:
    VirtualMachine::State& s_;
    std::string path_;
    std::map<std::string, std::int32_t> exports_;
};

}  // namespace

std::unique_ptr<ComponentLibrary> VirtualComponents::Load(const std::string& path)
{
    std::string bytes;
    if (s_.files->ReadWholeFile(path, bytes) != kErrorSuccess || bytes.compare(0, 2, "MZ") != 0) return nullptr;
    std::map<std::string, std::int32_t> exports;
    std::istringstream lines(bytes.substr(2));
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const auto equals = line.find('=');
        if (equals == std::string::npos || equals == 0) continue;
        exports[line.substr(0, equals)] =
            static_cast<std::int32_t>(std::strtol(line.c_str() + equals + 1, nullptr, 10));
    }
    return std::make_unique<VirtualLibrary>(s_, path, std::move(exports));
}

std::string VirtualLz::ExpandedNameOf(const std::string& path)
{
    std::string bytes;
    if (s_.files->ReadWholeFile(path, bytes) != kErrorSuccess) return path;
    const std::string name = FileNamePart(path);
    return path.substr(0, path.size() - name.size()) + ExpandedName(name, ReadSzddHeader(bytes));
}

ErrorCode VirtualLz::Expand(const std::string& source, const std::string& destination)
{
    std::string compressed;
    if (const ErrorCode failed = s_.files->ReadWholeFile(source, compressed)) return failed;
    std::string expanded;
    const SzddResult result = ExpandSzdd(compressed, expanded);
    if (const ErrorCode failed = s_.files->WriteWholeFile(destination, expanded)) return failed;
    return result == SzddResult::Truncated ? kErrorInvalidData : kErrorSuccess;
}

}  // namespace lorvel::platform::virt

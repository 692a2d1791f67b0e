#include "run/RecordTrust.h"

#include "util/Sha256.h"
#include "util/ShiftJisText.h"

namespace lorvel {

using namespace platform;

ErrorCode VouchForRecord(Registry& registry, const std::string& entryKey, const std::string& recordBytes,
                         const std::map<std::string, std::string>& componentDigests)
{
    const std::string components = entryKey + "\\" + kComponentDigestsKey;
    // Digests of an earlier install into the folder must not vouch for what it no longer has.
    ErrorCode code = registry.DeleteKeyTree(RootKey::LocalMachine, components);
    if (code == kErrorFileNotFound) code = kErrorSuccess;
    if (code == kErrorSuccess) code = registry.CreateKey(RootKey::LocalMachine, components);
    for (const auto& [path, digest] : componentDigests)
        if (code == kErrorSuccess)
            code = registry.WriteValue(RootKey::LocalMachine, components, path, RegValue::String(digest));
    // The record's digest last: until it is there, nothing is vouched for.
    if (code == kErrorSuccess)
        code = registry.WriteValue(RootKey::LocalMachine, entryKey, kRecordDigestValue,
                                   RegValue::String(Sha256Hex(recordBytes)));
    return code;
}

std::string RecordPathOfCommand(const std::string& command)
{
    // The last quoted part: the uninstaller's own path comes first, quoted too since
    // it may hold spaces, and entries written before it was are not quoted there.
    const auto close = command.rfind('"');
    if (close == std::string::npos || close == 0) return {};
    const auto open = command.rfind('"', close - 1);
    if (open == std::string::npos) return {};
    return command.substr(open + 1, close - open - 1);
}

RecordTrust ReadRecordTrust(Registry& registry, const std::string& entryKey, const std::string& recordPath,
                            const std::string& recordBytes)
{
    RecordTrust trust;
    RegValue command;
    RegValue digest;
    if (entryKey.empty() ||
        registry.ReadValue(RootKey::LocalMachine, entryKey, "UninstallString", command) != kErrorSuccess ||
        !command.IsText() ||
        registry.ReadValue(RootKey::LocalMachine, entryKey, kRecordDigestValue, digest) != kErrorSuccess ||
        !digest.IsText())
        return trust;
    // The entry of another program, named by an edited record, vouches for nothing here.
    if (UpperCase(RecordPathOfCommand(command.data)) != UpperCase(recordPath) ||
        digest.data != Sha256Hex(recordBytes)) {
        trust.state = RecordTrust::State::Mismatch;
        return trust;
    }
    trust.state = RecordTrust::State::Vouched;
    std::vector<std::pair<std::string, RegValue>> values;
    if (registry.EnumValues(RootKey::LocalMachine, entryKey + "\\" + kComponentDigestsKey, values) == kErrorSuccess)
        for (const auto& [path, value] : values)
            if (value.IsText()) trust.componentDigests[UpperCase(path)] = value.data;
    return trust;
}

}  // namespace lorvel

#include "run/UninstallRecord.h"

#include <functional>
#include <unordered_map>

#include "util/CopyEntry.h"
#include "util/NumberedValues.h"
#include "util/ProductName.h"
#include "util/ShiftJisSearch.h"
#include "util/ShiftJisText.h"

namespace lorvel {

namespace {

constexpr const char* kInformation[record::SpecOf(record::Key::InformationMessage).highest] = {
    LORVEL_PRODUCT_TITLE " UnSetup(UnInstall) Initialize File",
    "！！！　警告　！！！",
    "このファイルをエディタなどで書き換えたり，削除しないでください．",
    "書き換えた場合，アンセットアップ動作の保証はできません．",
};

// A numbered section as the key-by-key writer fills it, with the lookups
// FindRecordSlot makes answered from an index instead of a scan.
class NumberedSection {
public:
    // The key FindRecordSlot would give: the first key, before the first empty one,
    // whose path matches; else that first empty key.
    int Slot(const std::string& item) const
    {
        const auto found = firstByPath_.find(UpperCase(PathPart(item)));
        if (found != firstByPath_.end() && found->second < firstEmpty_) return found->second;
        return firstEmpty_;
    }

    const std::string& Value(int key) const
    {
        static const std::string empty;
        return key <= static_cast<int>(values_.size()) ? values_[static_cast<std::size_t>(key - 1)] : empty;
    }

    void Write(int key, const std::string& value)
    {
        if (key > static_cast<int>(values_.size())) values_.resize(static_cast<std::size_t>(key));
        std::string& slot = values_[static_cast<std::size_t>(key - 1)];
        if (!slot.empty()) {
            const auto old = firstByPath_.find(UpperCase(PathPart(slot)));
            if (old != firstByPath_.end() && old->second == key) firstByPath_.erase(old);
        }
        slot = value;
        if (!value.empty()) firstByPath_.emplace(UpperCase(PathPart(value)), key);
        if (value.empty() && key < firstEmpty_) firstEmpty_ = key;
        while (firstEmpty_ <= static_cast<int>(values_.size()) &&
               !values_[static_cast<std::size_t>(firstEmpty_ - 1)].empty())
            ++firstEmpty_;
    }

    const std::vector<std::string>& Values() const { return values_; }

private:
    std::vector<std::string> values_;                   // key n at n - 1; written keys only
    std::unordered_map<std::string, int> firstByPath_;  // upper-case path part -> lowest key
    int firstEmpty_ = 1;
};

void WriteList(ProfileDocument& document, const std::string& list, record::Key key, bool keepShared)
{
    NumberedSection written;
    for (std::string item : ListItems(list)) {
        const int key = written.Slot(item);
        if (keepShared) {
            const std::string& current = written.Value(key);
            if (HasCopyFlag(current, copy_flag::kShared) && !HasCopyFlag(item, copy_flag::kShared))
                item += MBPosText(",/", item) > 0 ? copy_flag::kShared : std::string(",") + copy_flag::kShared;
        }
        written.Write(key, item);
    }
    const auto& values = written.Values();
    for (std::size_t i = 0; i < values.size(); ++i)
        document.Write(record::SectionOf(key), record::NameOf(key, static_cast<int>(i + 1)), values[i]);
}

}  // namespace

bool RecordLists::AddRelate(const std::string& value)
{
    if (RelateSaved(PathPart(value))) return false;
    for (std::string& slot : restoreRelate) {
        if (!slot.empty()) continue;
        slot = value;
        return true;
    }
    return false;
}

bool RecordLists::RelateSaved(const std::string& extension) const
{
    const std::string wanted = UpperCase(extension);
    for (const std::string& slot : restoreRelate)
        if (!slot.empty() && UpperCase(PathPart(slot)) == wanted) return true;
    return false;
}

std::vector<std::string> ListItems(const std::string& list)
{
    // One pass: "|" is also a trail byte in code page 932, so double-byte characters
    // are stepped over whole.
    std::vector<std::string> items;
    std::size_t start = 0;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (MBIsLeadByte(static_cast<unsigned char>(list[i])) && i + 1 < list.size()) {
            ++i;
            continue;
        }
        if (list[i] != '|') continue;
        items.push_back(list.substr(start, i - start));
        start = i + 1;
    }
    if (start < list.size()) items.push_back(list.substr(start));
    return items;
}

std::string PathPart(const std::string& item)
{
    const int comma = MBPos(",", item);
    return comma > 0 ? StrLeft(item, comma - 1) : item;
}

int FindRecordSlot(const std::string& item, record::Key key, const std::string& file, ProfileStore& profiles)
{
    const std::string path = UpperCase(PathPart(item));
    int last = 0;
    for (const auto& [n, value] : NumberedValues([&](int number) {
             return profiles.ReadProfile(record::SectionOf(key), record::NameOf(key, number), "", file);
         })) {
        if (UpperCase(PathPart(value)) == path) return n;
        last = n;
    }
    return last + 1;
}

namespace {

// Without the key's bound: the uninstall reads a list on up to its first empty key,
// past the slots the install writes.
std::vector<std::string> ReadNumberedBy(const std::function<std::string(const std::string& name)>& read,
                                        record::Key key)
{
    std::vector<std::string> values;
    for (const auto& [number, value] : NumberedValues([&](int n) { return read(record::NameOf(key, n)); }))
        values.push_back(value);
    return values;
}

}  // namespace

std::vector<std::string> ReadNumbered(ProfileStore& profiles, const std::string& file, record::Key key)
{
    const char* section = record::SectionOf(key);
    return ReadNumberedBy([&](const std::string& name) { return profiles.ReadProfile(section, name, "", file); }, key);
}

std::vector<std::string> ReadNumbered(const ProfileDocument& document, record::Key key)
{
    const char* section = record::SectionOf(key);
    return ReadNumberedBy([&](const std::string& name) { return document.Read(section, name).value_or(""); }, key);
}

std::string DeleteFileFlags(const std::string& value)
{
    const int comma = MBPos(",", value);
    return comma > 0 ? value.substr(static_cast<std::size_t>(comma - 1), 5) : std::string();
}

RelateRecord ParseRestoreRelate(const std::string& value)
{
    const int comma = MBPos(",", value);
    if (comma == 0) return {value, ""};
    return {StrLeft(value, comma - 1), StrMid(value, comma + 1)};
}

void LoadRecordLists(const ProfileDocument& record, RecordLists& lists)
{
    // The merge reads every slot the install writes, empty ones passed over; the
    // uninstall stops at the first empty one.
    const auto relate = [&record](int n) {
        return record.Read(record::SectionOf(record::Key::RestoreRelate), record::NameOf(record::Key::RestoreRelate, n))
            .value_or("");
    };
    for (const auto& [number, value] :
         NumberedValues(relate, record::SpecOf(record::Key::RestoreRelate).highest, NumberedEnd::PassEmpty))
        lists.AddRelate(value);
    const struct {
        record::Key key;
        std::string* list;
    } sections[] = {
        {record::Key::DeleteFolder, &lists.deleteFolder},     {record::Key::DeleteFile, &lists.deleteFile},
        {record::Key::DeleteShortCut, &lists.deleteShortCut}, {record::Key::DeleteRegistry, &lists.deleteRegistry},
        {record::Key::AddDeleteFile, &lists.addDeleteFile},
    };
    for (const auto& s : sections)
        for (const std::string& value : ReadNumbered(record, s.key)) *s.list += value + "|";
}

std::string BuildRecord(const RecordHeader& header, const RecordLists& lists,
                        const std::function<void(int list)>& progress)
{
    ProfileDocument document;
    const auto write = [&document](record::Key key, const std::string& value) {
        document.Write(record::SectionOf(key), record::NameOf(key), value);
    };
    for (int i = 0; i < record::SpecOf(record::Key::InformationMessage).highest; ++i)
        document.Write(record::SectionOf(record::Key::InformationMessage),
                       record::NameOf(record::Key::InformationMessage, i + 1), kInformation[i]);
    write(record::Key::TitleUnSetup, header.unSetupTitle);
    write(record::Key::SetupFolder, header.setupFolder);
    const struct {
        const std::string* list;
        record::Key key;
    } order[] = {
        {&lists.deleteFolder, record::Key::DeleteFolder},     {&lists.deleteFile, record::Key::DeleteFile},
        {&lists.deleteShortCut, record::Key::DeleteShortCut}, {&lists.deleteRegistry, record::Key::DeleteRegistry},
        {&lists.addDeleteFile, record::Key::AddDeleteFile},
    };
    int index = 0;
    for (const auto& o : order) {
        if (progress) progress(++index);
        WriteList(document, *o.list, o.key, o.list == &lists.deleteFile);
    }
    if (progress) progress(6);
    for (int i = 0; i < kRelateSlots; ++i)
        if (!lists.restoreRelate[static_cast<std::size_t>(i)].empty())
            document.Write(record::SectionOf(record::Key::RestoreRelate),
                           record::NameOf(record::Key::RestoreRelate, i + 1),
                           lists.restoreRelate[static_cast<std::size_t>(i)]);
    if (!header.checkBox.empty()) write(record::Key::UnSetupOptionCheckBox, header.checkBox);
    write(record::Key::UnSetupRegistryKey, header.uninstallKey);
    write(record::Key::ProgramId, header.programId);
    return document.Serialize();
}

}  // namespace lorvel

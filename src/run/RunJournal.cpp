#include "run/RunJournal.h"

#include "run/FixedNames.h"
#include "run/RunServices.h"
#include "run/SetupFolderAccess.h"
#include "util/Sha256.h"
#include "util/ShiftJisText.h"

namespace lorvel {

using namespace platform;

namespace {

constexpr const char* kMagic = "LVJOURNAL 1";
constexpr const char* kDoneWord = "done";
constexpr const char* kKindWords[] = {"install", "uninstall"};
constexpr std::size_t kDigestDigits = 16;
// A journal holds a few notes per change and at most one record's bytes; anything far
// larger was not written by this program.
constexpr std::uint64_t kMaxJournalBytes = 64u << 20;

bool NeedsEscape(char c)
{
    return c == '%' || c == '\t' || c == '\r' || c == '\n' || c == '\0';
}

std::string Escape(const std::string& field)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(field.size());
    for (const char c : field) {
        if (!NeedsEscape(c)) {
            out += c;
            continue;
        }
        const auto byte = static_cast<unsigned char>(c);
        out += '%';
        out += kHex[byte >> 4];
        out += kHex[byte & 15];
    }
    return out;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<std::string> Unescape(std::string_view field)
{
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '%') {
            out += field[i];
            continue;
        }
        if (i + 2 >= field.size()) return std::nullopt;
        const int high = HexValue(field[i + 1]);
        const int low = HexValue(field[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

std::string LineDigest(std::string_view body)
{
    return Sha256Hex(body).substr(0, kDigestDigits);
}

// One line without its "\n": its fields, when its digest holds.
std::optional<JournalNote> ParseLine(std::string_view line)
{
    const auto tab = line.rfind('\t');
    if (tab == std::string_view::npos || line.substr(tab + 1) != LineDigest(line.substr(0, tab + 1)))
        return std::nullopt;
    JournalNote fields;
    const std::string_view body = line.substr(0, tab);
    for (std::size_t start = 0;;) {
        const auto end = body.find('\t', start);
        const auto field =
            Unescape(body.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (!field) return std::nullopt;
        fields.push_back(*field);
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return fields;
}

}  // namespace

std::string EncodeValue(const std::optional<RegValue>& value)
{
    return value ? std::to_string(static_cast<std::uint32_t>(value->type)) + ":" + value->data : std::string();
}

std::optional<RegValue> DecodeValue(const std::string& field)
{
    const auto colon = field.find(':');
    if (colon == std::string::npos || colon == 0) return std::nullopt;
    std::uint32_t type = 0;
    for (std::size_t i = 0; i < colon; ++i) {
        if (field[i] < '0' || field[i] > '9' || type > 100000) return std::nullopt;
        type = type * 10 + static_cast<std::uint32_t>(field[i] - '0');
    }
    return RegValue{static_cast<ValueType>(type), field.substr(colon + 1)};
}

std::optional<JournalNote> ParseJournalLine(std::string_view line)
{
    return ParseLine(line);
}

std::string JournalLine(const JournalNote& fields)
{
    std::string line;
    for (const std::string& field : fields) line += Escape(field) + '\t';
    return line + LineDigest(line) + '\n';
}

std::optional<JournalContents> ParseJournal(std::string_view bytes)
{
    JournalContents contents;
    bool first = true;
    for (std::size_t start = 0; start < bytes.size();) {
        const auto end = bytes.find('\n', start);
        if (end == std::string_view::npos) break;  // cut short while it was written
        const auto note = ParseLine(bytes.substr(start, end - start));
        start = end + 1;
        if (first) {
            if (!note || note->size() != 2 || (*note)[0] != kMagic) return std::nullopt;
            if ((*note)[1] == kKindWords[1])
                contents.kind = JournalKind::Uninstall;
            else if ((*note)[1] != kKindWords[0])
                return std::nullopt;
            first = false;
            continue;
        }
        if (!note || note->empty()) break;
        if ((*note)[0] == kDoneWord) contents.done = true;
        contents.notes.push_back(std::move(*note));
    }
    if (first) return std::nullopt;
    return contents;
}

std::string JournalPath(const std::string& windowsFolder, const std::string& entryKey)
{
    // Start-up refuses to run without a Windows folder; only a test's run has none.
    if (windowsFolder.empty()) return "";
    return AddPathDelim(windowsFolder, "B") + kJournalFolderName + "\\" + Sha256Hex(UpperCase(entryKey)).substr(0, 32) +
           ".JNL";
}

std::string UninstallJournalPath(const RunServices& services)
{
    std::string key = services.Script().Record(record::Key::UnSetupRegistryKey);
    if (key.empty()) key = services.context.recordPath;
    return JournalPath(services.context.windowsFolder, key);
}

FoundJournal ReadJournal(FileSystem& files, const std::string& path)
{
    FoundJournal found;
    if (path.empty()) return found;
    std::uint32_t attributes = 0;
    if (files.GetAttributes(path, attributes) != kErrorSuccess) return found;
    if ((attributes & attr::kReparsePoint) != 0 || !FirstFolderOthersMayChange(files, path).empty()) {
        found.state = FoundJournal::State::OthersMayChange;
        return found;
    }
    std::string bytes;
    auto contents =
        files.ReadWholeFile(path, bytes, kMaxJournalBytes) == kErrorSuccess ? ParseJournal(bytes) : std::nullopt;
    found.state = contents ? FoundJournal::State::Found : FoundJournal::State::Unreadable;
    if (contents) found.contents = std::move(*contents);
    return found;
}

ErrorCode RunJournal::Begin(const std::string& path, JournalKind kind)
{
    path_.clear();
    if (path.empty()) return kErrorSuccess;
    const std::string folder = FolderPart(path);
    ErrorCode code = files_.CreatePrivateFolder(RemovePathDelim(folder, "B"));
    if (code != kErrorSuccess && code != kErrorAlreadyExists) return code;
    // A folder another account may change could hold a journal of theirs by the time
    // the next run reads it.
    if (!FirstFolderOthersMayChange(files_, folder).empty()) return kErrorAccessDenied;
    const std::string header = JournalLine({kMagic, kKindWords[kind == JournalKind::Uninstall ? 1 : 0]});
    code = files_.CreateNewFile(path, header);
    if (code == kErrorSuccess) code = files_.FlushFile(path);
    if (code == kErrorSuccess) {
        path_ = path;
        return code;
    }
    // Nothing half made is left: a journal that holds no whole first line is no journal.
    files_.RemoveFile(path);
    files_.RemoveFolder(RemovePathDelim(folder, "B"));
    return code;
}

ErrorCode RunJournal::Note(const JournalNote& fields)
{
    if (path_.empty()) return kErrorSuccess;
    ErrorCode code = files_.AppendToFile(path_, JournalLine(fields));
    if (code == kErrorSuccess) code = files_.FlushFile(path_);
    return code;
}

ErrorCode RunJournal::End()
{
    if (path_.empty()) return kErrorSuccess;
    // Said first: a journal that cannot be removed (held open by a scanner, say) must
    // not have the next run undo a run that finished.
    Note({kDoneWord});
    const ErrorCode code = RemoveJournal(files_, path_);
    path_.clear();
    return code;
}

ErrorCode RemoveJournal(FileSystem& files, const std::string& path)
{
    ErrorCode code = path.empty() ? kErrorFileNotFound : files.RemoveFile(path);
    // The folder goes with the last journal; one that still holds another product's
    // stays. A run cut off between the two left it empty.
    if (!path.empty()) files.RemoveFolder(RemovePathDelim(FolderPart(path), "B"));
    return code == kErrorFileNotFound || code == kErrorPathNotFound ? kErrorSuccess : code;
}

}  // namespace lorvel

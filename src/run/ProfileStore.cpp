#include "run/ProfileStore.h"

#include "run/FixedNames.h"
#include "util/ShiftJisSearch.h"
#include "util/ShiftJisText.h"

namespace lorvel {

using namespace platform;

ProfileStore::ProfileStore(FileSystem& files, std::string windowsFolder)
    : files_(files), windowsFolder_(std::move(windowsFolder))
{
}

ProfileStore::~ProfileStore()
{
    FlushAll();
}

std::string ProfileStore::FullPath(const std::string& file) const
{
    if (MBPos("\\", file) > 0 || MBPos(":", file) > 0 || windowsFolder_.empty()) return file;
    return AddPathDelim(windowsFolder_, "B") + file;
}

ProfileStore::Cached* ProfileStore::Load(const std::string& path)
{
    // Runs of reads name the same file; the lookup by upper-case name is spared then.
    if (!last_ || last_->path != path) {
        last_ = &cache_[UpperCase(path)];
        if (last_->path.empty()) last_->path = path;
    }
    Cached& cached = *last_;
    if (cached.dirty) return &cached;  // the batch's writes are the newest content
    const bool steady = !steady_.empty() && steady_.count(UpperCase(path)) != 0;
    if (steady && cached.verified && cached.readError == kErrorSuccess) return &cached;
    cached.verified = steady;
    const auto stat = files_.Stat(path);
    const bool exists = stat && (stat->attributes & attr::kDirectory) == 0;
    if (cached.readError == kErrorSuccess && exists == cached.exists &&
        (!exists || (stat->size == cached.size && stat->lastWriteTime == cached.writeTime)))
        return &cached;
    std::string bytes;
    // A file over the bound reads as an error, and an error refuses every write: a
    // file too large to hold is never replaced by what the program could read of it.
    cached.readError = exists ? files_.ReadWholeFile(path, bytes, kMaxProfileBytes) : kErrorSuccess;
    if (cached.readError != kErrorSuccess) bytes.clear();
    cached.document = ProfileDocument::Parse(bytes);
    cached.exists = exists;
    cached.size = exists ? stat->size : 0;
    cached.writeTime = exists ? stat->lastWriteTime : 0;
    return &cached;
}

std::string ProfileStore::ReadProfile(const std::string& section, const std::string& key,
                                      const std::string& defaultValue, const std::string& file)
{
    const Cached* cached = Load(FullPath(file));
    if (auto value = cached->document.Read(section, key)) return *std::move(value);
    return defaultValue.substr(0, defaultValue.find_last_not_of(' ') + 1);
}

ProfileStore::Cached* ProfileStore::LoadForWrite(const std::string& path)
{
    Cached* cached = Load(path);
    if (cached->readError == kErrorSuccess) return cached;
    lastWriteError_ = cached->readError;
    return nullptr;
}

bool ProfileStore::WriteProfile(const std::string& section, const std::string& key, const std::string& value,
                                const std::string& file)
{
    const std::string path = FullPath(file);
    Cached* cached = LoadForWrite(path);
    if (!cached) return false;
    cached->document.Write(section, key, value);
    cached->dirty = true;
    if (batchDepth_ > 0) return true;
    return Store(path, *cached);
}

std::optional<std::string> ProfileStore::ReadEntry(const std::string& section, const std::string& key,
                                                   const std::string& file)
{
    const Cached* cached = Load(FullPath(file));
    if (cached->readError != kErrorSuccess) return std::nullopt;
    return cached->document.Read(section, key);
}

bool ProfileStore::HasSection(const std::string& section, const std::string& file)
{
    const Cached* cached = Load(FullPath(file));
    return cached->readError == kErrorSuccess && cached->document.HasSection(section);
}

bool ProfileStore::RemoveKey(const std::string& section, const std::string& key, const std::string& file)
{
    const std::string path = FullPath(file);
    Cached* cached = LoadForWrite(path);
    if (!cached) return false;
    if (!cached->document.RemoveKey(section, key)) return true;
    cached->dirty = true;
    if (batchDepth_ > 0) return true;
    return Store(path, *cached);
}

bool ProfileStore::RemoveSection(const std::string& section, const std::string& file)
{
    const std::string path = FullPath(file);
    Cached* cached = LoadForWrite(path);
    if (!cached) return false;
    if (!cached->document.RemoveSection(section)) return true;
    cached->dirty = true;
    if (batchDepth_ > 0) return true;
    return Store(path, *cached);
}

ErrorCode ProfileStore::ReplaceFile(const std::string& file, const std::string& text)
{
    const std::string path = FullPath(file);
    // Whatever the cache held for the file, batched writes included, is replaced too.
    last_ = nullptr;
    cache_.erase(UpperCase(path));
    return files_.WriteWholeFile(path, text);
}

bool ProfileStore::Store(const std::string& path, Cached& cached)
{
    cached.dirty = false;
    if (const ErrorCode code = files_.WriteWholeFile(path, cached.document.Serialize()); code != kErrorSuccess) {
        lastWriteError_ = code;
        // What is on disk stays the truth: the next read parses it again.
        last_ = nullptr;
        cache_.erase(UpperCase(path));
        return false;
    }
    const auto stat = files_.Stat(path);
    cached.exists = stat.has_value();
    cached.size = stat ? stat->size : 0;
    cached.writeTime = stat ? stat->lastWriteTime : 0;
    return true;
}

bool ProfileStore::FlushAll()
{
    bool ok = true;
    std::vector<std::string> dirty;
    for (auto& [key, cached] : cache_)
        if (cached.dirty) dirty.push_back(cached.path);
    for (const std::string& path : dirty) {
        auto found = cache_.find(UpperCase(path));
        if (found != cache_.end()) ok = Store(path, found->second) && ok;
    }
    return ok;
}

ProfileStore::Steady::Steady(ProfileStore& store, const std::string& file)
    : store_(store), key_(UpperCase(store.FullPath(file)))
{
    // What the file held before is checked once more, the first time it is read.
    if (auto found = store_.cache_.find(key_); found != store_.cache_.end()) found->second.verified = false;
    ++store_.steady_[key_];
}

ProfileStore::Steady::~Steady()
{
    if (--store_.steady_[key_] == 0) store_.steady_.erase(key_);
}

ProfileStore::Batch::Batch(ProfileStore& store) : store_(store)
{
    ++store_.batchDepth_;
}

ProfileStore::Batch::~Batch()
{
    if (--store_.batchDepth_ == 0) store_.FlushAll();
}

bool ProfileStore::Batch::Flush()
{
    return store_.FlushAll();
}

}  // namespace lorvel

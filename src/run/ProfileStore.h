// ReadProfile and WriteProfile: the only access to the setup script, the uninstall
// record, the folder memory file and the profile files a script names. Our own
// implementation of the Windows profile rules (ProfileDocument) over whole-file
// reads and atomic writes, the same on every platform. A parsed file is cached and
// parsed again only when its size or last-write time changes on disk, so reading
// thousands of numbered keys costs linear time; within a Batch, writes collect in
// the cache and reach the disk once, when the batch ends.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/FileSystem.h"
#include "util/ProfileDocument.h"

namespace lorvel {

class ProfileStore {
public:
    // Files named without a folder are taken to be in this folder, as the system does.
    ProfileStore(platform::FileSystem& files, std::string windowsFolder = {});
    ~ProfileStore();

    // The value of the key, or the default when the file, section or key is missing
    // or the file cannot be read. The default loses its trailing blanks, as the
    // system's profile functions give it back on Windows (Wine keeps them).
    std::string ReadProfile(const std::string& section, const std::string& key, const std::string& defaultValue,
                            const std::string& file);
    // True when the value reached the file (or the batch, which writes it at its end).
    // A file that exists but cannot be read is never written: what could not be read
    // would be lost.
    bool WriteProfile(const std::string& section, const std::string& key, const std::string& value,
                      const std::string& file);

    // The key's value as the file has it now, nullopt when the file, its section or
    // the key is missing, or the file cannot be read.
    std::optional<std::string> ReadEntry(const std::string& section, const std::string& key, const std::string& file);
    bool HasSection(const std::string& section, const std::string& file);
    // Removes one key, or one whole section; true when the file holds no such key
    // (section) afterwards, false when it could not be read or written.
    bool RemoveKey(const std::string& section, const std::string& key, const std::string& file);
    // Removes a whole section; true when the file holds no such section afterwards
    // (also when it had none, or there is no file); false when it could not be read
    // or written.
    bool RemoveSection(const std::string& section, const std::string& file);

    // Why the last write that failed did not reach its file.
    platform::ErrorCode LastWriteError() const { return lastWriteError_; }

    // Replaces the whole file with the text in one atomic write; a failure leaves the
    // old file as it was.
    platform::ErrorCode ReplaceFile(const std::string& file, const std::string& text);

    // Where a file named without a folder is: in the Windows folder.
    std::string FullPath(const std::string& file) const;

    void SetWindowsFolder(std::string windowsFolder) { windowsFolder_ = std::move(windowsFolder); }

    // While a batch lives, writes stay in the cache; its end writes each changed file
    // once, atomically. Flush reports whether every file was written.
    class Batch {
    public:
        explicit Batch(ProfileStore& store);
        ~Batch();
        bool Flush();

    private:
        ProfileStore& store_;
    };

    // While a Steady lives, the file is taken not to change behind the store's back,
    // so reads of it come from the cache without asking the disk each time (a run's
    // own copy of its script, which nobody else writes). Writes through the store
    // still reach it.
    class Steady {
    public:
        Steady(ProfileStore& store, const std::string& file);
        ~Steady();

    private:
        ProfileStore& store_;
        std::string key_;
    };

private:
    struct Cached {
        std::string path;  // as first named
        ProfileDocument document;
        std::uint64_t size = 0;
        std::uint64_t writeTime = 0;
        bool exists = false;
        bool dirty = false;
        bool verified = false;  // read or checked against the disk since its Steady began
        platform::ErrorCode readError = platform::kErrorSuccess;  // the file exists but could not be read
    };

    Cached* Load(const std::string& path);
    // The entry to change, or null (and the reason kept) when the file is unreadable.
    Cached* LoadForWrite(const std::string& path);
    bool Store(const std::string& path, Cached& cached);
    bool FlushAll();

    platform::FileSystem& files_;
    std::string windowsFolder_;
    std::map<std::string, Cached> cache_;  // by upper-case path
    std::map<std::string, int> steady_;    // upper-case paths taken not to change, and how often
    Cached* last_ = nullptr;               // the entry of the file named last
    int batchDepth_ = 0;
    platform::ErrorCode lastWriteError_ = platform::kErrorSuccess;
};

}  // namespace lorvel

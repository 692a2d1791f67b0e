// A file system that counts the calls made through it, by kind, and passes each on:
// how many questions the engine asks the system per file is what costs under Wine,
// where every call is a trip to the server.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Platform.h"

namespace lorvel::testing {

class CountingFileSystem final : public platform::FileSystem {
public:
    explicit CountingFileSystem(platform::FileSystem& inner) : inner_(inner) {}

    std::map<std::string, long> calls;
    // Each call as its kind, a space and the path it named, when asked for.
    bool logPaths = false;
    std::vector<std::string> log;
    // Listings the system refuses, by pattern (a folder whose contents the user may
    // not read), with the error it gives.
    std::map<std::string, platform::ErrorCode> refusedListings;
    long Total() const
    {
        long total = 0;
        for (const auto& [kind, count] : calls) total += count;
        return total;
    }

    using ErrorCode = platform::ErrorCode;
    ErrorCode CreateFolder(const std::string& p) override { return Count("CreateFolder", p), inner_.CreateFolder(p); }
    ErrorCode CreatePrivateFolder(const std::string& p) override
    {
        return Count("CreatePrivateFolder", p), inner_.CreatePrivateFolder(p);
    }
    ErrorCode CreateAdminFolder(const std::string& p) override
    {
        return Count("CreateAdminFolder", p), inner_.CreateAdminFolder(p);
    }
    ErrorCode QueryOthersMayWrite(const std::string& p, bool& others) override
    {
        return Count("QueryOthersMayWrite", p), inner_.QueryOthersMayWrite(p, others);
    }
    ErrorCode RemoveFolder(const std::string& p) override { return Count("RemoveFolder", p), inner_.RemoveFolder(p); }
    ErrorCode Copy(const std::string& s, const std::string& d, bool f) override
    {
        return Count(f ? "CopyToNew" : "Copy", d), inner_.Copy(s, d, f);
    }
    ErrorCode RemoveFile(const std::string& p) override { return Count("RemoveFile", p), inner_.RemoveFile(p); }
    ErrorCode GetAttributes(const std::string& p, std::uint32_t& a) override
    {
        return Count("GetAttributes", p), inner_.GetAttributes(p, a);
    }
    ErrorCode SetAttributes(const std::string& p, std::uint32_t a) override
    {
        return Count("SetAttributes", p), inner_.SetAttributes(p, a);
    }
    ErrorCode QueryFile(const std::string& p, platform::FindEntry& i) override
    {
        return Count("QueryFile", p), inner_.QueryFile(p, i);
    }
    ErrorCode FindEntries(const std::string& p, std::vector<platform::FindEntry>& e) override
    {
        Count("FindEntries", p);
        if (const auto refused = refusedListings.find(p); refused != refusedListings.end()) return refused->second;
        return inner_.FindEntries(p, e);
    }
    using platform::FileSystem::ReadWholeFile;
    ErrorCode ReadWholeFile(const std::string& p, std::string& b, std::uint64_t limit) override
    {
        return Count("ReadWholeFile", p), inner_.ReadWholeFile(p, b, limit);
    }
    ErrorCode ReadFileRange(const std::string& p, std::uint64_t o, std::size_t n, std::string& b) override
    {
        return Count("ReadFileRange", p), inner_.ReadFileRange(p, o, n, b);
    }
    ErrorCode CreateNewFile(const std::string& p, std::string_view b) override
    {
        return Count("CreateNewFile", p), inner_.CreateNewFile(p, b);
    }
    ErrorCode AppendToFile(const std::string& p, std::string_view b) override
    {
        return Count("AppendToFile", p), inner_.AppendToFile(p, b);
    }
    ErrorCode FlushFile(const std::string& p) override { return Count("FlushFile", p), inner_.FlushFile(p); }
    std::unique_ptr<platform::Appender> OpenAppender(const std::string& p, ErrorCode& code) override
    {
        return Count("OpenAppender", p), inner_.OpenAppender(p, code);
    }
    ErrorCode FlushVolume(const std::string& p) override { return Count("FlushVolume", p), inner_.FlushVolume(p); }
    ErrorCode WriteWholeFile(const std::string& p, const std::string& b) override
    {
        return Count("WriteWholeFile", p), inner_.WriteWholeFile(p, b);
    }
    ErrorCode ShellDelete(const std::string& p) override { return Count("ShellDelete", p), inner_.ShellDelete(p); }
    ErrorCode SetCurrentFolder(const std::string& p) override
    {
        return Count("SetCurrentFolder", p), inner_.SetCurrentFolder(p);
    }
    std::string GetCurrentFolder() override { return Count("GetCurrentFolder"), inner_.GetCurrentFolder(); }
    bool HasDiskSpaceEx() override { return Count("HasDiskSpaceEx"), inner_.HasDiskSpaceEx(); }
    ErrorCode QueryDiskSpaceEx(const std::string& r, platform::DiskSpace& s) override
    {
        return Count("QueryDiskSpaceEx"), inner_.QueryDiskSpaceEx(r, s);
    }
    ErrorCode QueryDiskSpace(const std::string& r, platform::DiskGeometry& g) override
    {
        return Count("QueryDiskSpace"), inner_.QueryDiskSpace(r, g);
    }

private:
    void Count(const char* kind, const std::string& path = std::string())
    {
        ++calls[kind];
        if (logPaths) log.push_back(std::string(kind) + " " + path);
    }
    platform::FileSystem& inner_;
};

// The machine's services with the file system replaced, a counting one say.
inline platform::Platform WithFiles(const platform::Platform& p, platform::FileSystem& files)
{
    return {files, p.registry, p.system, p.shell, p.components, p.lz, p.links};
}

}  // namespace lorvel::testing

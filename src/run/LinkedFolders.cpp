#include "run/LinkedFolders.h"

#include "util/PathResolution.h"
#include "util/ShiftJisSearch.h"
#include "util/ShiftJisText.h"

namespace lorvel {

bool LinkedFolders::OnTheWayResolved(const std::string& root, const std::string& path, const std::string& currentFolder)
{
    const auto full = ResolvePath(path, currentFolder);
    return full && OnTheWay(root, *full);
}

bool LinkedFolders::OnTheWay(const std::string& root, const std::string& path)
{
    if (root.empty() || path.size() <= root.size() || path.compare(0, root.size(), root) != 0) return false;
    // The root, then the path up to each later "\": a drive's root is asked for as
    // "C:\", since "C:" would be the drive's current folder.
    std::string folder = root.size() == 3 && root[1] == ':' ? root : RemovePathDelim(root, "B");
    for (std::size_t next = root.size();;) {
        if (IsLink(folder)) return true;
        const int delimiter = MBPos("\\", path.substr(next));
        if (delimiter == 0) return false;
        next += static_cast<std::size_t>(delimiter);
        folder = path.substr(0, next - 1);
    }
}

bool LinkedFolders::IsLink(const std::string& folder)
{
    const auto look = [&] {
        std::uint32_t attributes = 0;
        return files_.GetAttributes(folder, attributes) == platform::kErrorSuccess &&
               (attributes & platform::attr::kReparsePoint) != 0;
    };
    if (!remember_) return look();
    auto [known, added] = known_.try_emplace(folder, false);
    if (added) known->second = look();
    return known->second;
}

}  // namespace lorvel

#include "run/LinkedFolders.h"

#include "util/MBUtils.h"
#include "util/StrOp.h"

namespace lorvel {

bool LinkedFolders::OnTheWay(const std::string& root, const std::string& path)
{
    if (root.empty() || path.size() <= root.size() || path.compare(0, root.size(), root) != 0) return false;
    // A drive's root is asked for as "C:\"; "C:" would be the drive's current folder.
    const bool driveRoot = root.size() == 3 && root[1] == ':';
    std::string folder = driveRoot ? root : RemovePathDelim(root, "B");
    std::string rest = path.substr(root.size());
    for (;;) {
        if (IsLink(folder)) return true;
        const int delimiter = MBPos("\\", rest);
        if (delimiter == 0) return false;
        if (!(driveRoot && folder.size() == 3)) folder += "\\";
        folder += StrLeft(rest, delimiter - 1);
        rest = StrMid(rest, delimiter + 1);
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

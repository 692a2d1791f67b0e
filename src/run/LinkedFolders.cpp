#include "run/LinkedFolders.h"

#include "util/MBUtils.h"
#include "util/StrOp.h"

namespace lorvel {

bool LinkedFolders::OnTheWay(const std::string& root, const std::string& path)
{
    if (root.empty() || path.size() <= root.size() || path.compare(0, root.size(), root) != 0) return false;
    std::string folder = RemovePathDelim(root, "B");
    std::string rest = path.substr(root.size());
    for (;;) {
        if (IsLink(folder)) return true;
        const int delimiter = MBPos("\\", rest);
        if (delimiter == 0) return false;
        folder += "\\" + StrLeft(rest, delimiter - 1);
        rest = StrMid(rest, delimiter + 1);
    }
}

bool LinkedFolders::IsLink(const std::string& folder)
{
    auto [known, added] = known_.try_emplace(folder, false);
    if (added) {
        std::uint32_t attributes = 0;
        known->second = files_.GetAttributes(folder, attributes) == platform::kErrorSuccess &&
                        (attributes & platform::attr::kReparsePoint) != 0;
    }
    return known->second;
}

}  // namespace lorvel

// The captions of the questions an unattended run answers by their caption: the run
// that asks and the answers that reply name each caption here, so a caption changed
// in one place cannot leave the other waiting for a question that no longer comes.
// Answers files name them too, in the person's own words, which is why they stay text.
#pragma once

namespace lorvel::captions {

// The setup folder is not there; Yes makes it, No ends the run.
inline constexpr const char* kMakeFolder = "フォルダ作成";
// The drive has too little room; Yes goes on, No ends the run.
inline constexpr const char* kLowDiskSpace = "空き容量不足";
// The next disk of the medium; OK when it is in, Cancel ends the run.
inline constexpr const char* kChangeDisk = "ディスク交換";
// One association of the script's [Relate]; No leaves the extension as it is.
inline constexpr const char* kConfirmAssociation = "関連付けの確認";

}  // namespace lorvel::captions

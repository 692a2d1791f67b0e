// The words for a person's answers, one spelling for every place that writes or
// reads them: the answers file, the run's log, the wizard's hidden answer slot, the
// shared-file dialog's buttons and the dry run's report.
#pragma once

namespace lorvel::answer_word {

inline constexpr const char* kYes = "Yes";
inline constexpr const char* kNo = "No";
inline constexpr const char* kOk = "OK";
inline constexpr const char* kCancel = "Cancel";
// The shared-file question's two answers for every such file from then on.
inline constexpr const char* kDelete = "Delete";
inline constexpr const char* kSave = "Save";

}  // namespace lorvel::answer_word

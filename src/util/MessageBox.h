// Message box flags and answers as the system numbers them: the widget layer shows
// the boxes, the runs ask their questions with these numbers through their view.
#pragma once

namespace lorvel::box {

constexpr int kStopOk = 16;
constexpr int kQuestionYesNo = 36;
constexpr int kWarningOk = 48;
constexpr int kWarningYesNo = 52;
constexpr int kInformationOk = 64;
constexpr int kInformationOkCancel = 65;
constexpr int kOk = 1;
constexpr int kCancel = 2;
constexpr int kYes = 6;
constexpr int kNo = 7;

}  // namespace lorvel::box

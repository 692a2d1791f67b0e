// What a run did, as facts rather than as texts for a window or a log: the author's
// dry run reports from these, so its report cannot drift from the run when a status
// text is reworded, and nothing pairs a text back with the entry it came from.
#pragma once

#include <string>

namespace lorvel {

struct CopyEvent {
    enum class Outcome { Copied, Kept, Missing, Refused, Failed };
    int entry = 0;            // the [CopyFile] number
    int disk = 1;             // the disk the run asked for last
    std::string sourceName;   // the file's name on the medium
    std::string destination;  // where it went, after an expanded file took its own name
    Outcome outcome = Outcome::Kept;
};

struct QuestionEvent {
    std::string caption;  // "shared file" for the four-answer question
    std::string text;
    std::string answer;  // "Yes", "OK", "Delete", ...
    bool fromAnswersFile = false;
};

class RunEvents {
public:
    virtual ~RunEvents() = default;
    virtual void FileCopied(const CopyEvent&) {}
    virtual void Asked(const QuestionEvent&) {}
    // The failure details as the run collected them, whether or not a window showed them.
    virtual void RunEnded(const std::string& failureText) { (void)failureText; }

    // For runs nobody watches.
    static RunEvents& None()
    {
        static RunEvents none;
        return none;
    }
};

}  // namespace lorvel

// An error that no step of a run handles: it ends the run where it is raised and
// reaches the general error report, whose text is the error's message.
#pragma once

#include <stdexcept>

namespace lorvel {

class RunError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace lorvel

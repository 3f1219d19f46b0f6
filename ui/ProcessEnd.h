#pragma once

#include <exception>

namespace ui {

// Ends the process with the given exit code: raised where a step must end the program at once;
// the process entry catches it and returns the code.
class ProcessEnd : public std::exception {
public:
    explicit ProcessEnd(int exitCode) : exitCode_(exitCode) {}
    int exitCode() const { return exitCode_; }
    const char* what() const noexcept override { return "Process ended"; }

private:
    int exitCode_;
};

}  // namespace ui

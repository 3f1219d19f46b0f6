#pragma once

#include <exception>

namespace ui {

// A silent abort: ends the current operation without any message. The application-wide error
// handler lets it pass unreported.
class Abort : public std::exception {
public:
    const char* what() const noexcept override { return "Operation aborted"; }
};

}  // namespace ui

// The result of every operation that can fail: ok, or one line for the user.
// It must be looked at: a dropped result does not build.
#pragma once

#include <string>
#include <utility>

namespace morvane {

struct [[nodiscard]] Outcome {
    bool ok = true;
    std::string error;

    static Outcome failure(std::string message) { return {false, std::move(message)}; }
    explicit operator bool() const { return ok; }

    // Keeps the first failure: later steps still run, the first reason is told.
    Outcome& also(Outcome later) {
        if (ok && !later.ok) *this = std::move(later);
        return *this;
    }
};

}  // namespace morvane

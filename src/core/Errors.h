#pragma once

#include <exception>
#include <new>
#include <stdexcept>
#include <string>

namespace tillery {

// A failure inside a run that ends it on the run's single error path ("Error occurred
// while processing file."). The text says why, for front ends that can show a reason.
class ExtractionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The reason to show for a failure: its own text, and "out of memory" for a failed
// allocation (whose own text names no cause a user can act on).
inline std::string failureReason(const std::exception& error)
{
    if (dynamic_cast<const std::bad_alloc*>(&error) != nullptr) {
        return "out of memory";
    }
    return error.what();
}

}  // namespace tillery

#pragma once

#include <stdexcept>

namespace tillery {

// A failure inside a run that ends it on the run's single error path ("Error occurred
// while processing file."). The text says why, for front ends that can show a reason.
class ExtractionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace tillery

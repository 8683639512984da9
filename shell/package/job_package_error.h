#pragma once

#include <stdexcept>
#include <string>

namespace shell {

// A job export or import that could not be done; the text says what failed.
class job_package_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}

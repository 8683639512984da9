#pragma once

#include <stdexcept>
#include <string>

namespace conversion {

// A message body could not be derived: the reason names the step and, where there is one,
// the file.
class body_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}

#pragma once

#include <stdexcept>

namespace broadcast {

// A broadcast package that cannot be made; the message says what and names the file or
// value. Transport workers catch it and report the broadcast as failed.
class package_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}

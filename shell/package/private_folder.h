#pragma once

#include <string>

namespace shell {

// A folder only this process uses (mode 0700), made inside `parent` with a name starting
// with `prefix`, and removed with everything in it, links never followed, when the object
// ends. Throws job_package_error when it cannot be made.
class private_folder {
public:
    private_folder(const std::string& parent, const std::string& prefix);
    ~private_folder();
    private_folder(const private_folder&) = delete;
    private_folder& operator=(const private_folder&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

}

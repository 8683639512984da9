#include "conversion/detail/sed_runner.h"

namespace conversion::detail {

int run_sed_text(const std::vector<std::string>&, const std::string&, std::string& output)
{
    output.clear();
    return -1;
}

}

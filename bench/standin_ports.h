#pragma once

#include "platform/process/process.h"

#include <map>
#include <sstream>
#include <string>

namespace bench {

// The ports of the stand-in's ready line ("ready http=P ... ca=FILE records=DIR"), read within
// 10 s; empty when no ready line came.
inline std::map<std::string, int> stand_in_ports(platform::process::child& stand_in)
{
    std::string line;
    if (stand_in.read_line(line, 10000) != platform::process::line_status::line || line.rfind("ready ", 0) != 0)
        return {};
    std::map<std::string, int> ports;
    std::istringstream words(line.substr(6));
    for (std::string word; words >> word;) {
        auto equals = word.find('=');
        if (word.compare(0, 3, "ca=") != 0 && word.compare(0, 8, "records=") != 0)
            ports[word.substr(0, equals)] = std::stoi(word.substr(equals + 1));
    }
    return ports;
}

}

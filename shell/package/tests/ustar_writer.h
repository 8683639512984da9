#pragma once

#include <string>
#include <vector>

namespace shell::testing {

// One member of a tar archive as the writer puts it down, hostile ones included.
struct ustar_member {
    std::string name;
    char type = '0';          // '0' file, '1' hard link, '2' symlink, '5' folder, '6' FIFO, 'x' pax, 'L' long name
    std::string content;      // a file's bytes; for 'x' the records; for 'L' the long name
    std::string link;         // the target of '1' and '2'
    unsigned mode = 0644;
};

// A pax record "<length> key=value\n".
std::string pax_record(const std::string& key, const std::string& value);

// The members as a tar archive: one ustar header each (names over 100 bytes cut, as the
// format holds no more), contents padded to 512 bytes, two zero blocks at the end.
std::string ustar_archive(const std::vector<ustar_member>& members);

}

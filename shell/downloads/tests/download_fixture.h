#pragma once

#include "platform/inet/curl_internet.h"
#include "platform/inet/inet_constants.h"
#include "platform/testing/temporary_folder.h"
#include "standin/fixture/quorbis_stand_in.h"

#include <dirent.h>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <set>
#include <string>

namespace downloads_test {

inline std::string png_bytes(std::size_t size)
{
    std::string bytes("\x89PNG\r\n\x1A\n", 8);
    for (std::size_t i = bytes.size(); i < size; ++i)
        bytes += static_cast<char>('a' + i % 26);
    return bytes;
}

inline void write_file(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::set<std::string> names_in(const std::string& folder)
{
    std::set<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (dirent* entry = ::readdir(dir)) {
            std::string name = entry->d_name;
            if (name != "." && name != "..")
                names.insert(name);
        }
        ::closedir(dir);
    }
    return names;
}

// A stand-in serving a folder of files, a folder the downloads land in, and the layer with
// short time-outs.
class DownloadFixture : public ::testing::Test {
protected:
    DownloadFixture()
    {
        stand_in.serve_files(served.path());
        write_file(served.file("pic.png"), png_bytes(5000));
        write_file(served.file("page.html"), "<html><body>Error 404</body></html>\n");
        write_file(served.file("big.png"), png_bytes(300000));
    }

    platform::inet::internet_options short_times(platform::inet::proxy_credentials_prompt prompt = {})
    {
        platform::inet::internet_options options;
        options.ca_file = stand_in.ca_file();
        options.idle_timeout = std::chrono::milliseconds(400);
        options.connect_timeout = std::chrono::milliseconds(2000);
        options.prompt = std::move(prompt);
        return options;
    }

    std::string landed() const { return landing.path() + "/downloads"; }

    standin::QuorbisStandIn stand_in;
    platform::testing::temporary_folder served;
    platform::testing::temporary_folder landing;
};

}

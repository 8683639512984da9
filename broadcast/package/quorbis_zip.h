#pragma once

#include "broadcast/job/broadcast_ref.h"
#include "broadcast/package/command_file.h"
#include "core/files/path_parts.h"

#include <string>
#include <vector>

namespace broadcast {

// The package of one broadcast attempt: a private folder holding "command.txt" and every
// file it names, and for FTP and HTTP(S) the archive of that folder (a tar compressed by
// zip, named ".tar.gz"). Every step throws package_error naming what failed.
class quorbis_zip {
public:
    // Makes the package folder. login_line: the command file carries the "user " line
    // (every transport but FTP). clean_folder: the folder goes when the builder ends.
    quorbis_zip(bool login_line, bool clean_folder);
    ~quorbis_zip();
    quorbis_zip(const quorbis_zip&) = delete;
    quorbis_zip& operator=(const quorbis_zip&) = delete;

    // Writes "command.txt" into the package folder and copies every file it names beside
    // it. A job without bodies gives no command file.
    void write_command_file(broadcast_ref job, const command_file_inputs& inputs, const time_zone& zone);
    // Archives the command file and its files in command-file order, compresses the
    // archive and keeps a copy as "last.tar.gz" in the temporary folder; the compressed
    // file's path.
    const std::string& build_archive();

    const std::string& compressed_file() const { return compressed_file_.path(); }
    const std::string& package_folder() const { return package_folder_.path(); }
    // The names, relative to the package folder, of the files the command file names.
    const std::vector<std::string>& files_to_archive() const { return files_to_archive_; }
    bool login_line() const { return login_line_; }

private:
    bool clean_folder_;
    bool login_line_;
    std::vector<std::string> files_to_archive_;
    core::temp_name tar_file_;
    core::temp_name compressed_file_;
    core::temp_name package_folder_;
};

}

#pragma once

// Packages as the program sends them, made with the real tar and zip, and the request and mail
// files around them, written here from the formats (not by the program's code).

#include <string>
#include <utility>
#include <vector>

namespace standin::testing {

using named_files = std::vector<std::pair<std::string, std::string>>;

// command.txt of a package with an HTML body "body.htm" and an attachment "notes one.txt";
// with the "user " line second when asked.
std::string command_file(bool user_line, const std::string& user, const std::string& password);

// The two files command_file names.
named_files message_files();

struct package_spec {
    std::string command;                 // command.txt
    named_files files;                   // the other files, in command-file order
    std::vector<std::string> tar_names;  // names given to tar; empty: command.txt, then the files
    std::vector<std::pair<std::string, std::string>> links;  // symbolic link name -> target
    bool second_zip_member = false;
};

// The compressed archive: tar of the package, zipped into "job.tar.gz".
std::string make_archive(const package_spec& spec);

// Base64 in lines of the given length, each ended by CR LF.
std::string base64_lines(const std::string& data, std::size_t line_length = 76);

// The gateway request body around an archive.
std::string gateway_body(const std::string& archive, const std::string& user, const std::string& password,
    std::size_t line_length = 76);

// The SMTP mail: one base64 attachment per file, in order.
std::string mail_message(const named_files& files, const std::string& to);

}

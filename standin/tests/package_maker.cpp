#include "standin/tests/package_maker.h"

#include "platform/process/process.h"
#include "platform/testing/file_contents.h"
#include "platform/testing/temporary_folder.h"

#include <filesystem>
#include <stdexcept>

namespace standin::testing {

namespace {

void run_tool(const std::string& name, const std::vector<std::string>& arguments, const std::string& folder)
{
    auto program = platform::process::find_program(name);
    if (!program)
        throw std::runtime_error(name + " is not installed");
    platform::process::system_runner runner;
    auto result = runner.run(*program, arguments, folder);
    if (!result.started || result.exit_code != 0)
        throw std::runtime_error(name + " failed: " + result.error + result.output);
}

}

std::string command_file(bool user_line, const std::string& user, const std::string& password)
{
    std::string text = "REM Originator: Veltrane Wizard 3.4.0.1\n";
    if (user_line)
        text += "user " + user + " " + password + "\n";
    text += "subject Spring news\nbody body.htm\nposting_report \ncompletion_report \nFRIEND_REPORT \n"
            "attachment notes one.txt\n";
    return text;
}

named_files message_files()
{
    return {{"body.htm", "<html><body><p>Spring news</p></body></html>\r\n"}, {"notes one.txt", "Notes.\r\n"}};
}

std::string make_archive(const package_spec& spec)
{
    platform::testing::temporary_folder folder;
    auto package = folder.file("package");
    platform::testing::write_file(package + "/command.txt", spec.command);
    std::vector<std::string> names {"command.txt"};
    for (const auto& [name, content] : spec.files) {
        platform::testing::write_file(package + "/" + name, content);
        names.push_back(name);
    }
    for (const auto& [name, target] : spec.links) {
        std::filesystem::create_symlink(target, package + "/" + name);
        names.push_back(name);
    }
    std::vector<std::string> arguments {"-P", "-cf", folder.file("job.tar"), "--"};
    for (const auto& name : spec.tar_names.empty() ? names : spec.tar_names)
        arguments.push_back(name);
    run_tool("tar", arguments, package);
    std::vector<std::string> zip_arguments {"-q", "job.tar.gz", "job.tar"};
    if (spec.second_zip_member) {
        platform::testing::write_file(folder.file("extra.txt"), "extra\n");
        zip_arguments.push_back("extra.txt");
    }
    run_tool("zip", zip_arguments, folder.path());
    return platform::testing::read_file(folder.file("job.tar.gz"));
}

std::string base64_lines(const std::string& data, std::size_t line_length)
{
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string encoded;
    for (std::size_t i = 0; i < data.size(); i += 3) {
        unsigned value = static_cast<unsigned char>(data[i]) << 16;
        if (i + 1 < data.size())
            value |= static_cast<unsigned char>(data[i + 1]) << 8;
        if (i + 2 < data.size())
            value |= static_cast<unsigned char>(data[i + 2]);
        encoded += alphabet[(value >> 18) & 63];
        encoded += alphabet[(value >> 12) & 63];
        encoded += i + 1 < data.size() ? alphabet[(value >> 6) & 63] : '=';
        encoded += i + 2 < data.size() ? alphabet[value & 63] : '=';
    }
    std::string lines;
    for (std::size_t i = 0; i < encoded.size(); i += line_length)
        lines += encoded.substr(i, line_length) + "\r\n";
    return lines;
}

std::string gateway_body(const std::string& archive, const std::string& user, const std::string& password,
    std::size_t line_length)
{
    const std::string boundary = "MIMEMsg200374953250";
    return "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\r\n\r\n--" + boundary
        + "\r\nContent-Type: text/xml; charset=\"utf-8\"; name=\"xml.txt\"\r\n\r\n"
          "<?xml version=\"1.0\"?>\r\n<HTTP_REQUEST>\r\n <HEADER>\r\n"
          "  <PROTOCOL name=\"QBHTTP\" version=\"1.0\"/>\r\n"
          "  <USER_AGENT name=\"VELTRANE WIZARD\" version=\"3.4.0.1\"/>\r\n"
          "  <USER name=\"" + user + "\" password=\"" + password + "\"/>\r\n"
          "  <ACTION>SUBMIT</ACTION>\r\n </HEADER>\r\n</HTTP_REQUEST>\r\n\r\n--" + boundary
        + "\r\nContent-Type: application/gzip; name=\"job.tar.gz\"\r\nContent-Transfer-Encoding: base64\r\n\r\n"
        + base64_lines(archive, line_length) + "\r\n--" + boundary + "--\r\n";
}

std::string mail_message(const named_files& files, const std::string& to)
{
    const std::string boundary = "MIMEMsg200374953251";
    std::string mail = "From: <>\r\nTo: <" + to + ">\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed;\r\n"
                       "\tboundary=\"" + boundary + "\"\r\n\r\n";
    for (const auto& [name, content] : files) {
        mail += "--" + boundary + "\r\nContent-Type: application/octet-stream;\r\n\tname=\"" + name
            + "\"\r\nContent-Transfer-Encoding: base64\r\nContent-Disposition: attachment;\r\n\tfilename=\"" + name
            + "\"\r\n\r\n" + base64_lines(content) + "\r\n";
    }
    return mail + "--" + boundary + "--\r\n\r\n";
}

}

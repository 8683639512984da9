#include "shell/documents/testing/document_snapshot.h"

#include "platform/testing/file_contents.h"

#include <filesystem>

namespace shell::testing {

namespace fs = std::filesystem;

namespace {

void take(const fs::path& root, const std::string& tag, document_snapshot& into)
{
    std::error_code ec;
    for (fs::recursive_directory_iterator walk(root, ec), end; !ec && walk != end; walk.increment(ec)) {
        auto key = tag + "/" + fs::relative(walk->path(), root).string();
        auto type = walk->symlink_status().type();
        if (type == fs::file_type::directory)
            into[key] = "<dir>";
        else if (type == fs::file_type::symlink)
            into[key] = "<link>";
        else
            into[key] = platform::testing::read_file(walk->path().string());
    }
}

void write_version(const std::string& anchor, const std::string& companion, const std::string& body_parts,
    const std::string& manifest, const std::string& version)
{
    using platform::testing::write_file;
    write_file(anchor, "<html>page " + version + "</html>");
    write_file(companion + "/Message_Files/Message_Body.htm", "body " + version);
    write_file(companion + "/Pull_Files/logo-" + version + ".gif", "picture " + version);
    write_file(body_parts, "parts " + version);
    write_file(manifest, "manifest " + version);
}

}

document_snapshot snapshot_document(const document_files& files)
{
    document_snapshot result;
    take(fs::path(files.companion).parent_path(), "F", result);
    take(fs::path(files.body_parts).parent_path(), "D", result);
    return result;
}

void write_document_version(const document_files& files, const std::string& version)
{
    write_version(files.anchor, files.companion, files.body_parts, files.manifest, version);
}

void stage_document_version(const SaveTransaction& transaction, const std::string& version)
{
    write_document_version(transaction.staged(), version);
}

}

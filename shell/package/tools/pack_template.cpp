// Build-time packer of the example messages: a source folder holding Message_Body.htm and
// optionally Message_Body.txt becomes a job package, made by the program's own export.
#include "core/files/file_path.h"
#include "shell/documents/body_parts.h"
#include "shell/documents/manifest.h"
#include "shell/package/job_export.h"
#include "shell/package/job_package_error.h"
#include "shell/package/private_folder.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

namespace {

std::optional<std::string> read_text(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void write_text(const std::string& path, const std::string& text)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out)
        throw shell::job_package_error("Cannot write " + path);
}

}

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: pack_template <message source folder> <package.gz>\n");
        return 2;
    }
    const std::string source = argv[1];
    const std::string package = argv[2];
    try {
        std::filesystem::create_directories(std::filesystem::path(package).parent_path());
        shell::private_folder work(std::filesystem::path(package).parent_path().string(), ".pack-template-");
        std::array<std::optional<std::string>, 3> bodies {read_text(source + "/Message_Body.htm"), std::nullopt,
            read_text(source + "/Message_Body.txt")};
        if (!bodies[0])
            throw shell::job_package_error(source + "/Message_Body.htm cannot be read");
        const auto companion = work.file("message_files");
        write_text(companion + "/Message_Files/Message_Body.htm", *bodies[0]);
        if (bodies[2])
            write_text(companion + "/Message_Files/Message_Body.txt", *bodies[2]);
        std::filesystem::create_directories(companion + "/Pull_Files");
        std::filesystem::create_directories(companion + "/Push_Files");
        write_text(work.file("message.dndtf"), shell::format_body_parts(bodies));
        std::string manifest;
        for (int kind = 0; kind < 3; ++kind)
            manifest += shell::format_manifest_section(kind, {}, {}, {1, 0, 0, 0});
        write_text(work.file("message.objects"), manifest);
        shell::export_job_package({companion, work.file("message.dndtf"), work.file("message.objects"), package});
    } catch (const std::exception& error) {
        std::fprintf(stderr, "pack_template: %s\n", error.what());
        return 1;
    }
    return 0;
}

#include "shell/jobs/broadcast_jobs.h"

#include "shell/documents/tests/doc_manager_fixture.h"

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>
#include <thread>

using namespace shell;
using shell::testing::doc_manager_fixture;

namespace {

bool present(const std::string& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

std::vector<std::string> names_of(const std::vector<std::string>& paths)
{
    std::vector<std::string> names;
    for (const auto& path : paths)
        names.push_back(path.substr(path.find_last_of('/') + 1));
    std::sort(names.begin(), names.end());
    return names;
}

// A saved message: its companion folder with bodies, object files and push files, and its
// body-parts file holding the HTML body.
struct saved_message : doc_manager_fixture {
    std::string companion = folder() + "/news_files";
    std::string body_parts = folder() + "/news.dndtf";

    saved_message()
    {
        for (const char* sub : {"", "/Message_Files", "/Pull_Files", "/Push_Files"})
            ::mkdir((companion + sub).c_str(), 0700);
        for (const char* body : {"Message_Body.htm", "Message_Body-AOL.htm", "Message_Body.txt"})
            write(companion + "/Message_Files/" + body, body);
        for (const char* file : {"pic.gif", "Report.pdf", "clickto3_x.html", "go.gif", "lite.gif"})
            write(companion + "/Pull_Files/" + file, file);
        write(companion + "/Push_Files/terms.doc", "terms");
        html("<IMG src=\"[pull name=pic.gif]\" quorbis_id=\"picture1\">"
             "<A href=\"[pull name=Report.pdf]\" quorbis_id=\"pullfile2\">r</A>"
             "<A href=\"[pull name=clickto3_x.html]\" quorbis_id=\"clickto3\">"
             "<IMG src=\"[pull name=go.gif]\" quorbis_id=\"clickto3\"></A>"
             "<IMG src=\"[pull name=PIC.gif]\" quorbis_id=\"picture4\">"
             "<IMG src=\"http://example.com/far.gif\" quorbis_id=\"picture5\">");
        dictionary().push_files().push_back({"/elsewhere/terms.doc", false});
        // As opening the message left it: the click-to known with its picture.
        auto& clickto = dictionary().known(0).clicktos[3];
        clickto.file = construct_object_record_from_source("[pull name=clickto3_x.html]", 0);
        clickto.picture = construct_picture_record_from_source("[pull name=go.gif]", "Go", 0);
    }

    void html(const std::string& body) { write(body_parts, body); }

    std::unique_ptr<broadcast::quorbis_broadcast> make_job()
    {
        return CreateBroadcastJob(&manager(), context, {"news.htm", companion, body_parts});
    }

    // The other kinds' body files, with a picture of their own for the HTML-lite body.
    void add_other_bodies()
    {
        for (int kind : {1, 2}) {
            auto name = "body" + std::to_string(kind) + ".htm";
            write(manager().GetTempFolder() + "/" + name, "b");
            ASSERT_TRUE(manager().SetDocFileName(kind, name));
        }
        dictionary().referenced(1).pictures[7] = construct_picture_record_from_source("[pull name=lite.gif]", "", 0);
        dictionary().referenced(2).pictures[1] = construct_picture_record_from_source("[pull name=pic.gif]", "", 0);
    }
};

}

TEST(JobFromFile, NamesTheJobAndItsBodyByTheFile)
{
    doc_manager_fixture f;
    struct row {
        const char* file;
        const char* name;
        int kind;
        const char* body;
    } rows[] = {
        {"Notes.TXT", "Notes", 2, "body.txt"},
        {"page.html", "page", 0, "body.htm"},
        {"archive.tar.txt", "archive.tar", 2, "body.txt"},
        {"plain", "plain", 0, "body.htm"},
    };
    for (const auto& r : rows) {
        const auto path = f.folder() + "/" + r.file;
        f.write(path, r.file);
        auto job = job_from_file(path);
        EXPECT_EQ(job->name, r.name);
        ASSERT_EQ(job->bodies.size(), 1u) << r.file;
        EXPECT_EQ(job->bodies.at(r.kind), job->temp_folder() + "/" + r.body);
        EXPECT_EQ(shell::testing::read_file(job->bodies.at(r.kind)), r.file);
    }
    EXPECT_THROW(job_from_file(f.folder() + "/missing.htm"), broadcast_job_error);
}

TEST(CreateBroadcastJob, EveryKindOfTheMaskBringsItsBodyAndEachFileOnce)
{
    saved_message f;
    f.add_other_bodies();
    f.manager().set_save_mask(7);
    const auto manifest = f.folder() + "/news.objects";
    auto job = f.make_job();
    ASSERT_TRUE(job);
    EXPECT_EQ(job->name, "news");
    ASSERT_EQ(job->bodies.size(), 3u);
    for (int kind = 0; kind < 3; ++kind)
        EXPECT_EQ(shell::testing::read_file(job->bodies.at(kind)), broadcast::quorbis_broadcast::form_body_file_name(kind));

    std::vector<std::string> pulled;
    for (const auto& pull : job->pull_files()) {
        pulled.push_back(pull.path);
        const auto name = pull.path.substr(pull.path.find_last_of('/') + 1);
        const bool picture = name == "pic.gif" || name == "go.gif" || name == "lite.gif";
        EXPECT_EQ(pull.autopull, picture ? 1 : 0) << name;
        EXPECT_EQ(shell::testing::read_file(pull.path), name);
    }
    EXPECT_EQ(names_of(pulled),
        (std::vector<std::string> {"Report.pdf", "clickto3_x.html", "go.gif", "lite.gif", "pic.gif"}));
    EXPECT_EQ(names_of(job->push_files()), std::vector<std::string> {"terms.doc"});
    EXPECT_EQ(shell::testing::read_file(job->push_files()[0]), "terms");
    // Making a job writes no manifest, neither beside the message nor among the program's.
    EXPECT_FALSE(present(manifest));
    std::error_code ec;
    EXPECT_TRUE(!present(f.manager().dictionaries_folder())
        || std::filesystem::is_empty(f.manager().dictionaries_folder(), ec));
    const auto recorded = f.context.temporary_paths.paths();
    EXPECT_NE(std::find(recorded.begin(), recorded.end(), job->temp_folder()), recorded.end());
}

TEST(CreateBroadcastJob, AKindOutsideTheMaskBringsNothing)
{
    saved_message f;
    f.add_other_bodies();
    f.manager().set_save_mask(4);
    auto job = f.make_job();
    EXPECT_EQ(job->bodies.size(), 1u);
    EXPECT_EQ(job->bodies.count(2), 1u);
    EXPECT_EQ(names_of([&] {
        std::vector<std::string> paths;
        for (const auto& pull : job->pull_files())
            paths.push_back(pull.path);
        return paths;
    }()), std::vector<std::string> {"pic.gif"});
    EXPECT_FALSE(present(job->body_file_name(0, true)));
}

TEST(CreateBroadcastJob, UnsafeNamesAndMissingFilesFailTheJobNamingThem)
{
    struct row {
        std::string title;  // of the HTML-lite body's picture, as the dictionary holds it
        std::string named;  // in the error
    } rows[] = {
        {"../x", "\"../x\""},
        {"a/b", "\"a/b\""},
        {"..", "\"..\""},
        {"gone.gif", "Pull_Files/gone.gif"},
    };
    for (const auto& r : rows) {
        saved_message f;
        f.html("");
        f.add_other_bodies();
        f.manager().set_save_mask(2);
        f.dictionary().referenced(1).pictures[7].title = r.title;
        try {
            f.make_job();
            ADD_FAILURE() << r.title;
        } catch (const broadcast_job_error& e) {
            EXPECT_NE(std::string(e.what()).find(r.named), std::string::npos) << e.what();
        }
        EXPECT_TRUE(f.context.temporary_paths.paths().empty());
    }
    // A body missing from the message folder.
    saved_message f;
    f.html("");
    ::unlink((f.companion + "/Message_Files/Message_Body.htm").c_str());
    try {
        f.make_job();
        ADD_FAILURE();
    } catch (const broadcast_job_error& e) {
        EXPECT_NE(std::string(e.what()).find("Message_Files/Message_Body.htm"), std::string::npos) << e.what();
    }
}

TEST(CreateBroadcastJob, NoManagerNoJob)
{
    saved_message f;
    EXPECT_EQ(CreateBroadcastJob(nullptr, f.context, {"news.htm", f.companion, f.body_parts}), nullptr);
    EXPECT_FALSE(share_broadcast_job(nullptr));
}

TEST(ShareBroadcastJob, TheLastReleaseOnAnotherThreadRemovesTheFolder)
{
    doc_manager_fixture f;
    const auto path = f.folder() + "/page.html";
    f.write(path, "<p>x</p>");
    auto shared = share_broadcast_job(job_from_file(path));
    ASSERT_TRUE(shared);
    EXPECT_EQ(shared.use_count(), 1);
    const auto folder = shared->temp_folder();
    std::thread([held = std::move(shared)]() mutable { held.release(); }).join();
    EXPECT_FALSE(present(folder));
}

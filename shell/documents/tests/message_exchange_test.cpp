#include "doc_manager_fixture.h"

#include "core/files/delete_path.h"
#include "core/files/file_path.h"
#include "shell/documents/manifest.h"
#include "shell/documents/file_dialog_ex.h"

#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace shell;
using namespace shell::testing;

namespace {

bool present(const std::string& path)
{
    return core::file_path(path).exists();
}

// A message saved the way the document saves it: into fresh staging folders and files,
// which then replace the live ones.
struct message_fixture : doc_manager_fixture {
    std::string anchor = folder() + "/offer.htm";
    std::string pull = companion_folder(anchor, "Pull_Files");
    std::string push = companion_folder(anchor, "Push_Files");
    std::string parts = core::path_combine(manager().dictionaries_folder(), core::encode_path_as_name(folder() + "/offer") + ".dndtf");
    std::string manifest = make_manifest_path(pull, manager().dictionaries_folder());

    message_fixture()
    {
        EXPECT_TRUE(core::file_path(core::file_path(pull).parent_folder()).create_folder());
    }

    static void replace(const std::string& staged, const std::string& live)
    {
        if (core::file_path(live).is_directory()) {
            ASSERT_EQ(core::delete_temporary_path(live), "");
        }
        ASSERT_EQ(std::rename(staged.c_str(), live.c_str()), 0) << staged;
    }

    bool save()
    {
        manager().warn_attachments_in_use(pull, push);
        if (!manager().SaveBodyParts(parts + ".new"))
            return false;
        if (!manager().ExchangeDictionary(1, pull + ".new", push + ".new", manifest + ".new"))
            return false;
        replace(parts + ".new", parts);
        replace(manifest + ".new", manifest);
        replace(pull + ".new", pull);
        replace(push + ".new", push);
        return true;
    }

    bool open()
    {
        if (!manager().LoadBodyParts(parts))
            return false;
        return manager().ExchangeDictionary(0, pull, push, manifest);
    }

    std::string working(const std::string& name) { return core::path_combine(manager().GetTempFolder(), name); }

    void body(int kind, const std::string& text)
    {
        auto path = manager().MakeDocFileName(kind);
        ASSERT_TRUE(manager().SetDocFileName(kind, path));
        write(kind == 0 ? path : path.substr(0, path.rfind('.')) + ".htm", text);
    }
};

}

TEST(MessageExchange, SavedMessageOpensWithEqualDictionariesAndBodies)
{
    message_fixture f;
    auto& dictionary = f.dictionary();
    f.write(f.working("photo.jpg"), "jpeg");
    f.write(f.working("report.pdf"), "pdf");
    f.write(f.folder() + "/notes.txt", "notes");
    auto& html = dictionary.referenced(0);
    html.pictures[1] = construct_picture_record_from_source(f.working("photo.jpg"), "A photo", 0);
    html.pictures[2] = construct_picture_record_from_source("http://example.com/logo.gif", "Logo", 1);
    html.pullfiles[3] = construct_pullfile_record_from_source(f.working("report.pdf"), 0, "http://example.com/p.gif", "", 1, 1);
    dictionary.known(0) = html;
    dictionary.push_files().push_back({f.folder() + "/notes.txt", false});
    f.body(0, "<html><body><pre>a\n\nb</pre></body></html>");
    f.body(1, "<p>lite</p>");
    const auto saved = dictionary.referenced(0);

    ASSERT_TRUE(f.save());
    EXPECT_EQ(read_file(f.pull + "/photo.jpg"), "jpeg");
    EXPECT_EQ(read_file(f.pull + "/report.pdf"), "pdf");
    EXPECT_FALSE(present(f.pull + "/logo.gif"));
    EXPECT_EQ(read_file(f.push + "/notes.txt"), "notes");
    EXPECT_TRUE(present(f.manifest));

    f.manager().DeleteDocFiles();
    f.manager().ClearPushFiles();
    for (int kind = 0; kind < 3; ++kind) {
        dictionary.ClearKnownDictionary(kind);
        dictionary.ClearBodyDictionary(kind);
    }
    std::remove(f.working("photo.jpg").c_str());
    ASSERT_TRUE(f.open());
    for (int kind = 0; kind < 3; ++kind)
        EXPECT_EQ(dictionary.known(kind), dictionary.referenced(kind)) << kind;
    const auto& opened = dictionary.known(0);
    EXPECT_EQ(opened.pictures.at(1).source, f.working("photo.jpg"));
    EXPECT_EQ(opened.pictures.at(1).copy_folder, f.manager().GetTempFolder());
    EXPECT_EQ(read_file(f.working("photo.jpg")), "jpeg");
    EXPECT_EQ(opened.pictures.at(2), saved.pictures.at(2));
    EXPECT_EQ(opened.pullfiles.at(3).file.title, "report.pdf");
    EXPECT_EQ(opened.pullfiles.at(3).picture.source, "http://example.com/p.gif");
    ASSERT_EQ(dictionary.push_files().size(), 1u);
    EXPECT_EQ(dictionary.push_files()[0].path, f.working("notes.txt"));
    EXPECT_TRUE(dictionary.push_files()[0].copied);
    EXPECT_EQ(read_file(f.manager().GetDocFileName(0, true)), "<html><body><pre>a\n\nb</pre></body></html>");
    EXPECT_EQ(read_file(f.manager().GetDocFileName(1, true)), "<p>lite</p>");
    EXPECT_EQ(f.manager().GetDocFileName(2, true), "");
    EXPECT_GE(f.context.object_counters.value(2), 3);
}

TEST(MessageExchange, NamesThatDifferByCaseKeepTheirOwnFiles)
{
    message_fixture f;
    auto& dictionary = f.dictionary();
    f.write(f.folder() + "/image.gif", "lower");
    std::string upper_folder = f.folder() + "/other";
    ASSERT_TRUE(core::file_path(upper_folder).create_folder());
    f.write(upper_folder + "/Image.GIF", "upper");
    auto& html = dictionary.referenced(0);
    html.pictures[1] = construct_picture_record_from_source(f.folder() + "/image.gif", "", 0);
    html.pictures[2] = construct_picture_record_from_source(upper_folder + "/Image.GIF", "", 0);
    // One file used by three kinds of object travels once.
    html.flashfiles[3] = construct_flash_record_from_source(f.folder() + "/image.gif", 0);
    html.pullfiles[4] = construct_pullfile_record_from_link(f.folder() + "/image.gif", 0);
    dictionary.known(0) = html;
    ASSERT_TRUE(f.save());
    EXPECT_EQ(read_file(f.pull + "/image.gif"), "lower");
    EXPECT_EQ(read_file(f.pull + "/Image(0).GIF"), "upper");
    EXPECT_EQ(dictionary.known(0).pictures.at(2).title, "Image(0).GIF");
    EXPECT_EQ(dictionary.known(0).flashfiles.at(3).title, "image.gif");
    EXPECT_EQ(dictionary.known(0).pullfiles.at(4).file.title, "image.gif");
    EXPECT_FALSE(present(f.pull + "/image(0).gif"));

    ASSERT_TRUE(f.open());
    ASSERT_TRUE(f.save());
    ASSERT_TRUE(f.open());
    EXPECT_EQ(read_file(dictionary.known(0).pictures.at(1).source), "lower");
    EXPECT_EQ(read_file(dictionary.known(0).pictures.at(2).source), "upper");
}

TEST(MessageExchange, HostileTitlesStayInsideTheFolders)
{
    message_fixture f;
    auto& dictionary = f.dictionary();
    f.write(f.folder() + "/source.gif", "gif");
    const char* titles[] = {"../x", "/etc/passwd", "C:\\Windows\\x", "a/b", "..", "x\ny"};
    std::int32_t id = 1;
    for (const char* title : titles) {
        auto record = construct_picture_record_from_source(f.folder() + "/source.gif", "", 0);
        record.title = title;
        dictionary.referenced(0).pictures[id++] = record;
    }
    dictionary.known(0) = dictionary.referenced(0);
    ASSERT_TRUE(f.save());
    ASSERT_TRUE(f.open());
    for (const auto& [number, record] : dictionary.known(0).pictures)
        EXPECT_EQ(core::file_path(record.source).parent_folder(), f.manager().GetTempFolder()) << number;
    EXPECT_FALSE(present(f.folder() + "/x"));
}

TEST(MessageExchange, PlaceholderNamedDownloadIsSavedFromItsPlainName)
{
    message_fixture f;
    auto& dictionary = f.dictionary();
    f.write(f.folder() + "/a.gif", "plain");
    dictionary.referenced(0).pictures[1]
        = construct_picture_record_from_source(f.folder() + "/[pull name=a.gif]", "", 0);
    ASSERT_TRUE(f.save());
    EXPECT_EQ(read_file(f.pull + "/a.gif"), "plain");
    EXPECT_EQ(dictionary.referenced(0).pictures.at(1).source, f.folder() + "/[pull name=a.gif]");
}

TEST(MessageExchange, AFileMissingOnOpenIsStillThereAfterTheNextSave)
{
    message_fixture f;
    auto& dictionary = f.dictionary();
    f.write(f.folder() + "/photo.jpg", "jpeg");
    dictionary.referenced(0).pictures[1] = construct_picture_record_from_source(f.folder() + "/photo.jpg", "", 0);
    ASSERT_TRUE(f.save());
    // The working folder cannot take the copy: the record keeps pointing at the message folder.
    const auto blocker = f.working("photo.jpg");
    ASSERT_TRUE(core::file_path(blocker).create_folder());
    f.write(blocker + "/inside", "x");
    EXPECT_FALSE(f.open());
    EXPECT_EQ(dictionary.known(0).pictures.at(1).source, f.pull + "/photo.jpg");
    ASSERT_TRUE(f.save());
    EXPECT_EQ(read_file(f.pull + "/photo.jpg"), "jpeg");
}

TEST(MessageExchange, AttachmentsInUseAreToldUnlessAgreedTo)
{
    message_fixture f;
    ASSERT_TRUE(core::file_path(f.push).create_folder());
    f.write(f.push + "/report.pdf", "pdf");
    const int holder = ::open((f.push + "/report.pdf").c_str(), O_RDONLY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    f.manager().attachments_in_use() = true;
    EXPECT_TRUE(f.manager().warn_attachments_in_use(f.pull, f.push));
    EXPECT_FALSE(f.manager().attachments_in_use());
    f.host.expect_message(f.test.services.strings.text(242), platform::ui::MB_OK | platform::ui::MB_ICONEXCLAMATION,
        platform::ui::IDOK);
    EXPECT_TRUE(f.manager().warn_attachments_in_use(f.pull, f.push));
    ::close(holder);
    EXPECT_FALSE(f.manager().warn_attachments_in_use(f.pull, f.push));
}

TEST(MessageExchange, BodyPartsWithTheHtmlSectionOnlyMakeTheHtmlBody)
{
    message_fixture f;
    f.write(f.parts, "@@HTML_BODY_PART@@\n<p>only</p>\n@@HTML_BODY_PART_END@@\n");
    auto page = f.manager().LoadBodyParts(f.parts);
    ASSERT_TRUE(page);
    EXPECT_EQ(*page, "<p>only</p>");
    EXPECT_EQ(read_file(f.manager().GetDocFileName(0, true)), "<p>only</p>");
    EXPECT_EQ(f.manager().GetDocFileName(1, false), "");
    EXPECT_EQ(f.manager().GetDocFileName(2, false), "");

    f.write(f.parts, "@@TXT_BODY_PART@@\r\n<b>bold</b> text\r\n@@TXT_BODY_PART_END@@\r\n");
    page = f.manager().LoadBodyParts(f.parts);
    ASSERT_TRUE(page);
    EXPECT_EQ(read_file(f.manager().GetDocFileName(2, true)), "bold text");
}

TEST(MessageExchange, AMessageSavedByTheWindowsProgramOpens)
{
    message_fixture f;
    ASSERT_TRUE(core::file_path(f.pull).create_folder());
    f.write(f.pull + "/photo.jpg", "jpeg");
    f.write(f.parts, "@@HTML_BODY_PART@@\r\n<p>a</p>\r\n\r\n<p>b</p>\r\n@@HTML_BODY_PART_END@@\r\n");
    std::string manifest = "3.0.0.0\r\n<pushfiles>\r\n</pushfiles>\r\n<html>\r\n<pictures>\r\n<pic>\r\n"
                           "photo.jpg\r\nphoto.jpg\r\nFALSE\r\nA photo\r\n7\r\n</pic>\r\n</pictures>\r\n"
                           "<flashfiles>\r\n</flashfiles>\r\n<pullfiles>\r\n</pullfiles>\r\n<clicktos>\r\n"
                           "</clicktos>\r\n</html>\r\n";
    for (const char* kind : {"htmllite", "text"}) {
        manifest += std::string("<") + kind + ">\r\n<pictures>\r\n</pictures>\r\n<flashfiles>\r\n</flashfiles>\r\n"
            "<pullfiles>\r\n</pullfiles>\r\n<clicktos>\r\n</clicktos>\r\n</" + kind + ">\r\n";
    }
    f.write(f.manifest, manifest);
    ASSERT_TRUE(f.open());
    EXPECT_EQ(read_file(f.manager().GetDocFileName(0, true)), "<p>a</p>\n\n<p>b</p>");
    const auto& picture = f.dictionary().known(0).pictures.at(7);
    EXPECT_EQ(picture.source, f.working("photo.jpg"));
    EXPECT_EQ(picture.alternate_text, "A photo");
    EXPECT_EQ(read_file(picture.source), "jpeg");
    EXPECT_EQ(f.dictionary().referenced(0), f.dictionary().known(0));
    EXPECT_GE(f.context.object_counters.value(0), 7);
}

TEST(MessageExchange, OpeningKeepsAWorkingCopyThatHoldsTheSavedBytesAndRewritesAnyOther)
{
    message_fixture f;
    auto& dictionary = f.dictionary();
    f.write(f.working("photo.jpg"), "jpeg");
    f.write(f.working("logo.gif"), "gif");
    auto& html = dictionary.referenced(0);
    html.pictures[1] = construct_picture_record_from_source(f.working("photo.jpg"), "A photo", 0);
    html.pictures[2] = construct_picture_record_from_source(f.working("logo.gif"), "Logo", 0);
    dictionary.known(0) = html;
    f.body(0, "<html><body><img src=photo.jpg><img src=logo.gif></body></html>");
    ASSERT_TRUE(f.save());

    // The photo's working copy still holds what was saved (dated long ago, so that a write
    // would show); the logo's was edited since.
    const timespec long_ago[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, f.working("photo.jpg").c_str(), long_ago, 0), 0);
    const auto modified = [](const std::string& path) {
        struct stat info {};
        EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
        return info.st_mtim.tv_sec;
    };
    f.write(f.working("logo.gif"), "edited logo, longer than the saved one");
    ASSERT_TRUE(f.open());
    EXPECT_EQ(read_file(f.working("photo.jpg")), "jpeg");
    EXPECT_EQ(modified(f.working("photo.jpg")), 1000000000);
    EXPECT_EQ(read_file(f.working("logo.gif")), "gif");
    EXPECT_EQ(dictionary.known(0).pictures.at(1).source, f.working("photo.jpg"));
    EXPECT_EQ(dictionary.known(0).pictures.at(2).source, f.working("logo.gif"));
}

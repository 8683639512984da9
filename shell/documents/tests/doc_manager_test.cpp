#include "doc_manager_fixture.h"

#include "core/files/file_path.h"

#include <gtest/gtest.h>

using namespace shell;
using namespace shell::testing;

namespace {

bool present(const std::string& path)
{
    return core::file_path(path).exists();
}

}

TEST(DocManager, WorkingFolderLivesAsLongAsTheManager)
{
    std::string folder;
    {
        doc_manager_fixture f;
        folder = f.manager().GetTempFolder();
        ASSERT_FALSE(folder.empty());
        EXPECT_TRUE(core::file_path(folder).is_directory());
        EXPECT_EQ(core::file_path(folder).parent_folder(), core::standard_folder_path(0));
        doc_manager_fixture::write(folder + "/body.htm", "<p>x</p>");
    }
    EXPECT_FALSE(present(folder));
}

TEST(DocManager, BodyFileOfTheLiteKindComesWithItsTwinsAndGoesWithThem)
{
    doc_manager_fixture f;
    auto& manager = f.manager();
    const auto made = manager.MakeDocFileName(1);
    const core::file_path path(made);
    EXPECT_EQ(path.parent_folder(), manager.GetTempFolder());
    EXPECT_EQ(path.file_name().rfind("qbw", 0), 0u);
    EXPECT_EQ(path.extension(), "quorbis_lite");
    const auto tmp = made.substr(0, made.size() - std::string("quorbis_lite").size()) + "tmp";
    const auto htm = made.substr(0, made.size() - std::string("quorbis_lite").size()) + "htm";
    EXPECT_TRUE(present(tmp));
    EXPECT_FALSE(manager.DocFileExists(1)); // made, not stored
    EXPECT_EQ(manager.GetDocFileName(1, false), "");

    ASSERT_TRUE(manager.SetDocFileName(1, made));
    EXPECT_EQ(manager.GetDocFileName(1, false), path.file_name());
    EXPECT_EQ(manager.GetDocFileName(1, true), made);
    doc_manager_fixture::write(made, "lite");
    doc_manager_fixture::write(htm, "<p>source</p>");
    EXPECT_TRUE(manager.DocFileExists(1));

    manager.DeleteDocFile(1);
    EXPECT_FALSE(present(made));
    EXPECT_FALSE(present(htm));
    EXPECT_FALSE(present(tmp));
    EXPECT_EQ(manager.GetDocFileName(1, true), "");
}

TEST(DocManager, TheHtmlBodyKeepsAnHtmTwinOfAnotherKind)
{
    doc_manager_fixture f;
    auto& manager = f.manager();
    const auto made = manager.MakeDocFileName(0);
    EXPECT_EQ(core::file_path(made).extension(), "htm");
    ASSERT_TRUE(manager.SetDocFileName(0, made));
    doc_manager_fixture::write(made, "body");
    manager.DeleteDocFiles();
    EXPECT_FALSE(present(made));
    EXPECT_EQ(manager.GetDocFileName(0, false), "");
}

TEST(DocManager, StoredBodyNamesStayInTheWorkingFolder)
{
    doc_manager_fixture f;
    auto& manager = f.manager();
    for (const std::string path : {"", "/", "..", "x/.."}) {
        EXPECT_FALSE(manager.SetDocFileName(0, path)) << path;
        EXPECT_EQ(manager.GetDocFileName(0, true), "") << path;
    }
    ASSERT_TRUE(manager.SetDocFileName(2, "C:\\Mail\\qbw1.quorbis_txt"));
    EXPECT_EQ(manager.GetDocFileName(2, true), manager.GetTempFolder() + "/qbw1.quorbis_txt");
}

TEST(DocManager, TemplateIndexByExtension)
{
    doc_manager_fixture f;
    const std::pair<const char*, int> cases[] = {
        {" .HTM ", 0}, {".htm", 0}, {"\t.Quorbis_Lite", 1}, {".quorbis_txt\n", 2}, {".txt", 3}, {"", 3}};
    for (const auto& [extension, index] : cases)
        EXPECT_EQ(f.manager().GetTemplateIndexByExtension(extension), index) << extension;
}

TEST(DocManager, DocumentNameBringsItsSaveMask)
{
    doc_manager_fixture f;
    auto& manager = f.manager();
    ASSERT_TRUE(write_save_mask(f.profile, "%2Fmail%2Foffer", "6"));
    manager.SetDocumentName("%2Fmail%2Foffer");
    EXPECT_EQ(manager.save_mask(), 6);
    EXPECT_TRUE(is_body_kind_in_save_mask(manager, 1));
    EXPECT_FALSE(is_body_kind_in_save_mask(manager, 0));
    manager.SetDocumentName("%2Fmail%2Fother");
    EXPECT_EQ(manager.save_mask(), 1);
    manager.set_save_mask(5);
    manager.SetDocumentName("");
    EXPECT_EQ(manager.save_mask(), 1);
}

TEST(DocManager, FileNewResetsMaskNameAndObjectNumbers)
{
    doc_manager_fixture f;
    auto& manager = f.manager();
    ASSERT_TRUE(write_save_mask(f.profile, "offer", "7"));
    manager.SetDocumentName("offer");
    f.context.object_counters.raise_to_at_least(0, 12);
    manager.on_file_new();
    EXPECT_EQ(manager.save_mask(), 1);
    EXPECT_EQ(manager.document_name(), "");
    EXPECT_EQ(f.context.object_counters.next(0), 1);
}

TEST(DocManager, FileNewWithoutTemplatesSaysSoAndMakesNothing)
{
    app_fixture f;
    f.set_logging(1);
    RecordingConversion conversion;
    CTalverinDocManager manager(f.context, conversion);
    f.host.expect_message("Failed to create empty document.", platform::ui::MB_OK, platform::ui::IDOK);
    core::trace_enabled = 1;
    EXPECT_EQ(manager.on_file_new(), platform::ui::DocManager::Outcome::failed);
    EXPECT_NE(f.trace().find("Error: no document templates registered with CWinApp.\n"), std::string::npos);
}

TEST(DocManager, MarkupDeclarationsLoadFromTheResources)
{
    doc_manager_fixture f;
    EXPECT_FALSE(f.manager().markup_declarations().IsEmpty());
    EXPECT_TRUE(f.manager().markup_declarations().IsKnownElement("TABLE"));
}

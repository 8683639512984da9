#include "shell/importer/html_import_binding.h"

#include "../../documents/tests/message_document_fixture.h"
#include "platform/ui/testing/scripted_host.h"

#include <gtest/gtest.h>

namespace shell {
namespace {

using platform::testing::read_file;
using platform::testing::write_file;
using platform::ui::testing::DialogDriver;
namespace fs = std::filesystem;

struct page_import : testing::message_document_fixture, ::testing::Test {
};

TEST_F(page_import, YesImportsThePageWithItsObjectsAndAPasteDrawsAboveItsNumbers)
{
    bind_html_importer(context, manager());
    fs::create_directories(path("site"));
    write_file(path("site/logo.gif"), "GIF89a-logo");
    write_file(path("site/button.gif"), "GIF89a-button");
    write_file(path("site/files.zip"), "PK-zip");
    write_file(path("site/page.htm"),
        "<html><body><p>Hello</p><img src=logo.gif alt=Logo>"
        "<a href=files.zip><img src=button.gif></a><form action=x><input name=q></form></body></html>");

    host.expect_dialog(265, [](DialogDriver& d) { d.click(6); });
    host.expect_message(host.strings().text(21077), platform::ui::MB_OK | platform::ui::MB_ICONINFORMATION,
        platform::ui::IDOK);
    host.expect_dialog(274, [](DialogDriver& d) { d.click(1202); });
    ASSERT_TRUE(open(path("site/page.htm")));
    EXPECT_EQ(host.pending(), 0u);
    EXPECT_NE(view.shown.find("quorbis_id=\"picture1\""), std::string::npos) << view.shown;
    EXPECT_NE(view.shown.find("quorbis_id=\"pullfile1\""), std::string::npos) << view.shown;
    EXPECT_NE(view.shown.find("name=\"quorbis_form\""), std::string::npos) << view.shown;

    auto& objects = manager().dictionary().known(0);
    ASSERT_EQ(objects.pictures.size(), 1u);
    EXPECT_EQ(read_file(objects.pictures[1].source), "GIF89a-logo");
    EXPECT_EQ(objects.pictures[1].alternate_text, "Logo");
    ASSERT_EQ(objects.pullfiles.size(), 1u);
    EXPECT_EQ(read_file(objects.pullfiles[1].file.source), "PK-zip");
    EXPECT_EQ(read_file(objects.pullfiles[1].picture.source), "GIF89a-button");
    EXPECT_EQ(fs::path(objects.pictures[1].source).parent_path(), fs::path(manager().GetTempFolder()));

    // Saved and opened again, the message has the same objects and their files.
    const auto pictures = objects.pictures.size();
    const auto pullfiles = objects.pullfiles.size();
    view.page = view.shown;
    ASSERT_TRUE(doc().DoSave(path("imported.htm"), true));
    new_document();
    ASSERT_TRUE(open(path("imported.htm")));
    auto& reopened = manager().dictionary().known(0);
    EXPECT_EQ(reopened.pictures.size(), pictures);
    EXPECT_EQ(reopened.pullfiles.size(), pullfiles);
    for (const auto& [number, record] : reopened.pictures)
        EXPECT_TRUE(fs::is_regular_file(record.source)) << record.source;

    PasteFragmentImporter paste(context, manager());
    const auto pasted = paste.scan_tags("<img src=\"http://h/x.gif\"><form></form>");
    ASSERT_TRUE(pasted);
    EXPECT_NE(pasted->find("quorbis_id=\"picture2\""), std::string::npos) << *pasted;
    EXPECT_NE(pasted->find("<form"), std::string::npos) << "a paste keeps its forms unasked";
}

}
}

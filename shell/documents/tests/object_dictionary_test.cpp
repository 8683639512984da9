#include "doc_manager_fixture.h"

#include "core/files/file_path.h"
#include "shell/documents/conversion_binding.h"

#include <gtest/gtest.h>

using namespace shell;
using namespace shell::testing;

namespace {

core::CHTMLTag tag(const std::string& text)
{
    core::CHTMLTag element;
    element.Parse(text, 0);
    return element;
}

}

TEST(ObjectDictionary, OnlyAPictureDodgesATakenId)
{
    doc_manager_fixture f;
    auto& dictionary = f.dictionary();
    picture_map pictures;
    dictionary.AddPicture(0, 4, pictures, tag("<IMG SRC=\"a.gif\" ALT=\"first\">"), false);
    dictionary.AddPicture(0, 9, pictures, tag("<IMG SRC=\"c.gif\">"), false);
    dictionary.AddPicture(0, 4, pictures, tag("<TD BACKGROUND=\"b.gif\">"), true);
    ASSERT_EQ(pictures.size(), 3u);
    EXPECT_EQ(pictures.at(4).title, "a.gif");
    EXPECT_EQ(pictures.at(4).alternate_text, "first");
    EXPECT_EQ(pictures.at(10).title, "b.gif");
    EXPECT_EQ(dictionary.known(0).pictures.at(10).title, "b.gif");
    EXPECT_EQ(dictionary.known(0).pictures.count(4), 0u);

    dictionary.AddPicture(0, 11, pictures, tag("<IMG ALT=\"no source\">"), false);
    EXPECT_EQ(pictures.size(), 3u);

    pullfile_map pullfiles;
    dictionary.AddPullFile(0, 3, pullfiles, tag("<A HREF=\"one.pdf\" quorbis_id=\"pullfile3\">"), false);
    dictionary.AddPullFile(0, 3, pullfiles, tag("<A HREF=\"two.pdf\" quorbis_id=\"pullfile3\">"), false);
    ASSERT_EQ(pullfiles.size(), 1u);
    EXPECT_EQ(pullfiles.at(3).file.title, "two.pdf");
    dictionary.AddPullFile(0, 5, pullfiles, tag("<BGSOUND src=\"x.wav\" quorbis_src_bgsound=\"tune.mid\">"), false);
    EXPECT_EQ(pullfiles.at(5).file.title, "tune.mid");
    dictionary.AddPullFile(0, 6, pullfiles, tag("<A NAME=\"top\">"), false);
    EXPECT_EQ(pullfiles.count(6), 0u);

    // The picture inside the link completes the link's entry; without one it adds nothing.
    dictionary.AddPullFile(0, 3, pullfiles, tag("<IMG SRC=\"shows.gif\" ALT=\"get it\">"), true);
    EXPECT_EQ(pullfiles.at(3).picture.title, "shows.gif");
    dictionary.AddPullFile(0, 8, pullfiles, tag("<IMG SRC=\"lonely.gif\">"), false);
    EXPECT_EQ(pullfiles.count(8), 0u);

    flash_map flashfiles;
    dictionary.AddFlashFromLink(0, 2, flashfiles, tag("<A HREF=\"one.swf\">"), false);
    dictionary.AddFlashFromObject(0, "<OBJECT><PARAM NAME=\"Movie\" value=\"two.swf\"></OBJECT>", 2, flashfiles, false);
    ASSERT_EQ(flashfiles.size(), 1u);
    EXPECT_EQ(flashfiles.at(2).title, "two.swf");
}

TEST(ObjectDictionary, LookupBySourceMatchesWholeNamesOnly)
{
    doc_manager_fixture f;
    auto& dictionary = f.dictionary();
    auto& known = dictionary.known(0).pictures;
    known[1] = construct_picture_record_from_source("/pics/banana.gif", "", 0);
    known[2] = construct_picture_record_from_source("/pics/a.gif", "", 0);
    known[3] = construct_picture_record_from_source("a.gif", "", 0);
    picture_map found;
    ASSERT_TRUE(dictionary.CopyPictureBySourceFromKnown(0, "a.gif", found));
    EXPECT_EQ(found.count(3), 1u); // the equal source first
    known.erase(3);
    found.clear();
    ASSERT_TRUE(dictionary.CopyPictureBySourceFromKnown(0, "a.gif", found));
    EXPECT_EQ(found.count(2), 1u);
    EXPECT_FALSE(dictionary.CopyPictureBySourceFromKnown(0, "nana.gif", found));
    EXPECT_FALSE(dictionary.CopyPictureFromKnown(0, 7, found));
}

TEST(ObjectDictionary, ALinkCopyLosesItsCompanionPicture)
{
    doc_manager_fixture f;
    auto& dictionary = f.dictionary();
    dictionary.known(1).pullfiles[4] = construct_pullfile_record_from_source("/f/report.pdf", 0, "/f/shows.gif", "", 0, 1);
    pullfile_map linked;
    pullfile_map other;
    ASSERT_TRUE(dictionary.CopyPullFileFromKnown(1, 4, linked, true));
    ASSERT_TRUE(dictionary.CopyPullFileFromKnown(1, 4, other, false));
    EXPECT_EQ(linked.at(4).picture, picture_record {});
    EXPECT_EQ(other.at(4).picture.title, "shows.gif");
    EXPECT_EQ(dictionary.known(1).pullfiles.at(4).picture.title, "shows.gif");
}

TEST(ObjectDictionary, MarkersLeaveTheBodyAndTheirPullFiles)
{
    doc_manager_fixture f;
    auto& referenced = f.dictionary().referenced(0);
    referenced.pullfiles[3] = construct_pullfile_record_from_link("/f/a.pdf", 0);
    referenced.pullfiles[4] = construct_pullfile_record_from_link("/f/b.pdf", 0);
    std::string body = "<p>x<A quorbis_id=\"pullfile3\"></A>y</p>";
    f.manager().StripObjectMarkers(body, 0);
    EXPECT_EQ(body, "<p>xy</p>");
    EXPECT_EQ(referenced.pullfiles.count(3), 0u);
    EXPECT_EQ(referenced.pullfiles.count(4), 1u);
}

TEST(ObjectDictionary, HtmlObjectsCopiedToAnotherKindLoseTheirPictures)
{
    doc_manager_fixture f;
    auto& dictionary = f.dictionary();
    dictionary.known(0).pictures[1] = construct_picture_record_from_source("/f/a.gif", "", 0);
    dictionary.known(0).clicktos[2] = construct_clickto_record_from_link("http://x/", 1);
    dictionary.known(0).clicktos[2].picture = construct_picture_record_from_source("/f/b.gif", "", 0);
    dictionary.CopyDictionaryFromHtml(1);
    EXPECT_EQ(dictionary.known(1), dictionary.known(0));
    EXPECT_EQ(dictionary.referenced(1).clicktos.at(2).picture, picture_record {});
    dictionary.CopyDictionaryFromHtml(0);
    EXPECT_EQ(dictionary.known(0).pictures.size(), 1u);
    EXPECT_EQ(dictionary.referenced(0), dictionary.known(0));
}

TEST(ObjectDictionary, PlaceholdersInABodyNameItsObjects)
{
    doc_manager_fixture f;
    auto& dictionary = f.dictionary();
    dictionary.known(2).pictures[1] = construct_picture_record_from_source("/f/a.gif", "", 0);
    dictionary.known(2).pullfiles[2] = construct_pullfile_record_from_link("/f/b.pdf", 0);
    dictionary.referenced(2).pictures[9] = {};
    dictionary.CollectReferencedObjects(2, "see [pull name=b.pdf] now");
    EXPECT_TRUE(dictionary.referenced(2).pictures.empty());
    EXPECT_EQ(dictionary.referenced(2).pullfiles.count(2), 1u);
}

TEST(ObjectDictionary, DialogUpdatesGoThroughConversion)
{
    doc_manager_fixture f;
    auto& dictionary = f.dictionary();
    const auto picture = f.folder() + "/photo.jpg";
    doc_manager_fixture::write(picture, "jpeg");
    auto added = dictionary.UpdatePicture(0, picture, "A photo", 0, 5);
    ASSERT_TRUE(added);
    EXPECT_EQ(added->copy_folder, f.manager().GetTempFolder());
    EXPECT_TRUE(core::file_path(f.manager().GetTempFolder() + "/photo.jpg").exists());
    auto changed = dictionary.UpdatePicture(0, "other.jpg?x=1", "B", 0, 5);
    ASSERT_TRUE(changed);
    EXPECT_EQ(changed->source, f.manager().GetTempFolder() + "/other.jpg");
    ASSERT_TRUE(dictionary.UpdateClickTo(0, "Call", "www.example.com", "", "", 0, 7));
    EXPECT_EQ(dictionary.known(0).clicktos.at(7).target, "www.example.com");
    EXPECT_EQ(f.conversion().calls, (std::vector<std::string> {"copy_object_file photo.jpg",
        "update_picture_record " + f.manager().GetTempFolder() + "/other.jpg", "write_clickto_page www.example.com",
        "move_object_file clickto7_.htm"}));
}

TEST(ObjectDictionary, AFailedObjectCopyFailsItsStepAndSaysWhy)
{
    app_fixture f;
    f.set_logging(1);
    ASSERT_TRUE(f.start().runs());
    core::trace_enabled = 1;
    auto& manager = static_cast<CTalverinDocManager&>(*f.app->doc_manager());
    EXPECT_FALSE(manager.dictionary().UpdatePicture(0, "/f/a.gif", "", 0, 1));
    EXPECT_TRUE(manager.dictionary().known(0).pictures.empty());
    EXPECT_NE(f.trace().find("ConversionBinding::copy_object_file() -- Cannot copy the object's file /f/a.gif"),
        std::string::npos);
}

TEST(ObjectDictionary, TheProgramsConversionPlacesClicktoPagesInTheWorkingFolder)
{
    app_fixture f;
    ASSERT_TRUE(f.start().runs());
    auto& manager = static_cast<CTalverinDocManager&>(*f.app->doc_manager());
    f.context.current_config.SetDisplayDelay(7);
    auto made = manager.dictionary().UpdateClickTo(0, "Go", " www.example.com ", "", "", 0, 3);
    ASSERT_TRUE(made);
    EXPECT_EQ(made->target, "www.example.com");
    EXPECT_EQ(made->file.source, manager.GetTempFolder() + "/[pull name=http-www.example.com.html]");
    const auto page = read_file(made->file.source);
    EXPECT_NE(page.find("content=\"7;URL=www.example.com\""), std::string::npos) << page;
    EXPECT_NE(page.find("Please wait for page www.example.com to load..."), std::string::npos) << page;

    auto changed = manager.dictionary().UpdateClickTo(0, "Go", "www.other.example", "", "", 0, 3);
    ASSERT_TRUE(changed);
    EXPECT_EQ(changed->file.source, manager.GetTempFolder() + "/[pull name=http-www.other.example.html]");
    EXPECT_EQ(manager.dictionary().known(0).clicktos.at(3).target, "www.other.example");
}

TEST(ObjectDictionary, ABodyLeavingTheEditorNamesItsObjectsAnew)
{
    doc_manager_fixture f;
    auto& dictionary = f.dictionary();
    dictionary.known(0).pictures[1] = construct_picture_record_from_source("/f/a.gif", "Known", 0);
    dictionary.referenced(0).pictures[9] = construct_picture_record_from_source("/f/gone.gif", "", 0);
    const std::string body = "<p><IMG src=\"/f/a.gif\" quorbis_id=\"picture1\"><IMG src=\"/f/new.gif\" "
                             "quorbis_id=\"picture2\"></p>";
    f.manager().AdjustDictContent(0, body, scan_record | scan_known_first);
    const auto& found = dictionary.referenced(0).pictures;
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found.at(1).alternate_text, "Known");
    EXPECT_EQ(found.at(2).title, "new.gif");
    EXPECT_EQ(dictionary.known(0).pictures.count(2), 1u);
    EXPECT_GE(f.context.object_counters.value(0), 2);
}

TEST(ObjectDictionary, TheProgramsConversionReadsMoviesAndTakesOutTheWrapperForm)
{
    shell::ConversionBinding conversion(std::nullopt);
    EXPECT_EQ(conversion.find_flash_movie("<object><param name=\"MOVIE\" value=\"m.swf\"></object>"), "m.swf");
    EXPECT_EQ(conversion.find_flash_movie("<object></object><param name=movie value=m.swf>"), std::nullopt);

    const std::string stamp = "<meta name=\"GENERATOR\" content=\"Quorbis Veltrane Wizard 3.4.0.1\">";
    const auto loaded = conversion.generate_meta_and_form(
        "<html><head>" + stamp + "</head><body><form name=\"quorbis_form\" action=\"x\"><p>a</p></form></body></html>");
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->find("<form"), std::string::npos) << *loaded;
    EXPECT_NE(loaded->find("<p>a</p>"), std::string::npos) << *loaded;
}

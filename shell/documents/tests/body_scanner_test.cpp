#include "platform/testing/file_contents.h"
#include "platform/testing/temporary_folder.h"
#include "platform/testing/test_services.h"
#include "recording_dictionary.h"
#include "shell/documents/body_scanner.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

const core::CDTDStrict& standard_dtd()
{
    static const core::CDTDStrict dtd = [] {
        core::CDTDStrict loaded;
        EXPECT_TRUE(core::LoadStandardDTD(loaded, core::standard_dtd_folder(platform::testing::share_folder())));
        return loaded;
    }();
    return dtd;
}

const core::CDTDStrict no_declarations;

// A scanner over a recording dictionary, its targets and counters.
struct scan_fixture {
    explicit scan_fixture(const core::CDTDStrict& dtd = standard_dtd(), std::string redirector = {},
        std::string pull_folder = {})
        : scanner({dtd, dictionary, std::move(redirector), std::move(pull_folder), &counters})
    {
    }
    std::string scan(std::string_view body, unsigned flags)
    {
        return scanner.ScanBodyObjects(0, body, targets, flags, false);
    }

    shell::testing::recording_dictionary dictionary;
    core::object_name_counters counters;
    shell::object_maps targets;
    shell::BodyScanner scanner;
};

using namespace shell;

}

TEST(BodyScanner, NormalisesByItsFlags)
{
    struct row {
        const char* name;
        unsigned flags;
        bool declarations;
        const char* body;
        const char* result;
    } rows[] = {
        {"declarations drop unknown elements and references", scan_normalise, true,
            "<P class=x>a &bogus; b &amp; c<FOO>d</FOO><marquee>m</marquee><embed src=\"/m/movie.swf\">"
            "<PARAM name=movie value=\"C:\\m\\intro.swf\"><PARAM name=Movie value=\"[pull name=kept.swf]\"></P>",
            "<P class=x>a   b &amp; cd<marquee>m</marquee><embed src=\"[pull name=movie.swf]\">"
            "<PARAM name=\"movie\" value=\"[pull name=intro.swf]\"><PARAM name=Movie value=\"[pull name=kept.swf]\"></P>"},
        {"a reference split by a dropped element is judged whole", scan_normalise, true,
            "a &bo<FOO>gus; &am<FOO>p; &#3<FOO>8; &<FOO>x &amp<FOO>",
            "a   &amp; &#38; &x &amp"},
        {"without declarations nothing is dropped", scan_normalise, false, "<FOO>a &bogus; b</FOO>",
            "<FOO>a &bogus; b</FOO>"},
        {"handlers go, but not from a script", scan_drop_handlers, true,
            "<BODY onload=\"x()\"><A href=\"a.htm\" onclick=\"y()\">t</A><SCRIPT onload=z>if (a<b) f();</script >after",
            "<BODY><A href=\"a.htm\">t</A><SCRIPT onload=z>if (a<b) f();</script >after"},
        {"XMP sections pass unchanged", scan_keep_xmp | scan_normalise | scan_drop_handlers, true,
            "<XMP><foo onclick=x>&bogus;</XMP><I onclick=x>&bogus;</I>",
            "<XMP><foo onclick=x>&bogus;</XMP><I> </I>"},
        {"stored sources restored, bookmark text and editing style dropped", 0, true,
            "<IMG src=\"x.gif\" quorbis_src_href=\"http://h/x.gif\"><A name=top>mark</A>text"
            "<STYLE title=quorbis_edit_STYLE>p{}</STYLE><BGSOUND src=a.wav quorbis_src_bgsound=\"http://h/a.wav\">"
            "<bgsound src=b.wav><a href=\"#top\" class=c>up</a>",
            "<IMG src=\"http://h/x.gif\"><A name=top></A>text<BGSOUND src=\"http://h/a.wav\">"
            "<bgsound src=b.wav><a href=\"#top\">up</a>"},
        {"0x80 keeps them", scan_keep_sources, true,
            "<IMG src=\"x.gif\" quorbis_src_href=\"http://h/x.gif\"><A name=top>mark</A>"
            "<STYLE title=Quorbis_EDIT_style>p{}</STYLE>",
            "<IMG src=\"x.gif\" quorbis_src_href=\"http://h/x.gif\"><A name=top>mark</A>"
            "<STYLE title=Quorbis_EDIT_style>p{}</STYLE>"},
        {"empty cells", 0, true, "<TR><TD></TD><TD class=c></TD><th></TH><TD> </TD></TR>",
            "<TR><TD>&nbsp;</TD><TD class=c></TD><th>&nbsp;</TH><TD> </TD></TR>"},
        {"style contents are copied, closed the one way", 0, true,
            "<STYLE>a<b onclick=x>{}</STYLE >x<style>p{}</style>y<STYLE type=text/css>q{}",
            "<STYLE>a<b onclick=x>{}</STYLE>x<style>p{}</STYLE>y<STYLE type=text/css>q{}</STYLE>"},
        {"submit buttons lose their style", 0, true, "<INPUT type=submit style=\"color:red\" value=Go>",
            "<INPUT type=\"submit\" value=\"Go\">"},
    };
    for (const auto& r : rows) {
        scan_fixture f(r.declarations ? standard_dtd() : no_declarations);
        EXPECT_EQ(f.scan(r.body, r.flags), r.result) << r.name;
        EXPECT_TRUE(f.targets.empty()) << r.name;
    }
}

TEST(BodyScanner, PicturesAreLookedUpByIdOrSourceThenAdded)
{
    scan_fixture f;
    f.dictionary.known.pictures[3] = construct_picture_record_from_source("/w/a.gif", "A", 0);
    f.dictionary.known.pictures[4] = construct_picture_record_from_source("/w/b.gif", "B", 0);
    f.scan("<IMG src=\"\" quorbis_id=picture3><IMG src=\"/w/b.gif\" quorbis_id=picture9>"
           "<IMG src=\"/w/new.gif\" quorbis_id=PICTURE10><TD background=\"/w/bg.gif\" quorbis_id=hyperlink11>"
           "<A href=x quorbis_id=mailto12>no picture</A><IMG src=\"/w/none.gif\">",
        scan_record | scan_known_first);
    EXPECT_EQ(f.dictionary.calls, (std::vector<std::string> {
        "CopyPictureFromKnown 3",
        "CopyPictureBySourceFromKnown /w/b.gif",
        "CopyPictureBySourceFromKnown /w/new.gif",
        "AddPicture 10 /w/new.gif also",
        "CopyPictureFromKnown 11", // no "src": by its id
        "AddPicture 11 /w/bg.gif also",
    }));
    EXPECT_EQ(f.targets.pictures.size(), 4u);
    EXPECT_TRUE(f.targets.pictures.contains(3));
    EXPECT_TRUE(f.targets.pictures.contains(4));
    EXPECT_TRUE(f.dictionary.known.pictures.contains(10));
    // Every number found lifts its counter; a mail-to's lifts the pictures'.
    EXPECT_EQ(f.counters.value(core::picture), 12);
}

TEST(BodyScanner, FlashAndLinksReachTheirOperations)
{
    scan_fixture f;
    f.dictionary.known.pullfiles[5].file.source = "/w/report.pdf";
    f.dictionary.known.clicktos[6].file.source = "/w/clickto6.htm";
    const auto result = f.scan(
        "<OBJECT classid=\"CLSID:D27CDB6E-AE6D-11CF-96B8-444553540000\" quorbis_id=flashfile2>"
        "<PARAM name=movie value=m.swf></object><A href=m.swf quorbis_id=flashfile3>f</A>"
        "<A href=old.pdf quorbis_id=pullfile5>r</A><AREA href=old.pdf quorbis_id=pullfile5>"
        "<A href=x quorbis_id=clickto6><IMG src=go.gif quorbis_id=clickto6></A><BGSOUND src=s.wav quorbis_id=pullfile8>",
        scan_normalise | scan_record);
    EXPECT_EQ(result,
        "<OBJECT classid=\"CLSID:D27CDB6E-AE6D-11CF-96B8-444553540000\" quorbis_id=flashfile2>"
        "<PARAM name=\"movie\" value=\"[pull name=m.swf]\"></object><A href=m.swf quorbis_id=flashfile3>f</A>"
        "<A href=\"/w/report.pdf\" quorbis_id=\"pullfile5\">r</A><AREA href=old.pdf quorbis_id=pullfile5>"
        "<A href=\"/w/clickto6.htm\" quorbis_id=\"clickto6\"><IMG src=go.gif quorbis_id=clickto6></A>"
        "<BGSOUND src=s.wav quorbis_id=pullfile8>");
    EXPECT_EQ(f.dictionary.calls, (std::vector<std::string> {
        "AddFlashFromObject 2 <OBJECT classid=\"CLSID:D27CDB6E-AE6D-11CF-96B8-444553540000\" quorbis_id=flashfile2>"
        "<PARAM name=movie value=m.swf></object>",
        "AddFlashFromLink 3",
        "AddPullFile 5 A",
        "AddPullFile 5 AREA",
        "AddClickTo 6 A",
        "AddClickTo 6 IMG",
        "AddPullFile 8 BGSOUND",
    }));

    scan_fixture known_first;
    known_first.dictionary.known.pullfiles[5] = {};
    known_first.scan("<AREA href=old.pdf quorbis_id=pullfile5><IMG src=i.gif quorbis_id=pullfile5>",
        scan_record | scan_known_first);
    EXPECT_EQ(known_first.dictionary.calls,
        (std::vector<std::string> {"CopyPullFileFromKnown link 5", "CopyPullFileFromKnown 5"}));
}

TEST(BodyScanner, RedirectorLinksAndClicktoBlocks)
{
    scan_fixture with(standard_dtd(), "/opt/r/redirect.cgi"), without;
    const char* body = "<A href=\"http://h/@@REDIRECTORER_NAME@@?x=1\">go</A>";
    EXPECT_EQ(with.scan(body, scan_redirector), "<A href=\"http://h/redirect.cgi?x=1\">go</A>");
    EXPECT_EQ(without.scan(body, scan_redirector), "<A href=\"http://h/@@REDIRECTORER_NAME@@?x=1\">go</A>");

    const std::string blocks = "<!--quorbis_c2t_form{<FORM>f</FORM>}--><DIV id=div_c2t_form><I>view</I></DIV>"
                               "<!--quorbis_c2t_button <B>b</B>--><div id=div_c2t_button>button</div>";
    scan_fixture f;
    EXPECT_EQ(f.scan(blocks, scan_record), "<!--quorbis_c2t_form{<FORM>f</FORM>}--><FORM>f</FORM>"
                                           "<!--quorbis_c2t_button <B>b</B>--><div id=div_c2t_button>button</div>");
    // Every block goes back, written either way.
    EXPECT_EQ(f.scan("<!--quorbis_c2t_form{<B>f</B>}--><div id=div_c2t_form>a</div><DIV id=div_c2t_form>b</DIV>", scan_record),
        "<!--quorbis_c2t_form{<B>f</B>}--><B>f</B><B>f</B>");
    // A plain normalising scan and one that keeps sources leave the blocks.
    EXPECT_EQ(f.scan(blocks, scan_normalise).find("<I>view</I>") != std::string::npos, true);
    EXPECT_EQ(f.scan(blocks, scan_keep_sources | scan_record).find("<I>view</I>") != std::string::npos, true);
}

TEST(BodyScanner, ClicktoPagesAddTheirObjectsAndUnreadablePagesAreSkipped)
{
    platform::testing::temporary_folder root;
    const auto pull_folder = root.file("Pull_Files");
    platform::testing::write_file(root.file("page7.htm"), "<IMG src=\"/w/c.gif\" quorbis_id=picture20>");
    platform::testing::write_file(pull_folder + "/page8.htm", "<A href=r.pdf quorbis_id=pullfile21>r</A>");
    ASSERT_EQ(::mkfifo(root.file("fifo.htm").c_str(), 0600), 0);

    scan_fixture f(standard_dtd(), {}, pull_folder);
    f.dictionary.known.clicktos[7].file = construct_object_record_from_source(root.file("page7.htm"), 0);
    f.dictionary.known.clicktos[8].file = construct_object_record_from_source("/gone/page8.htm", 0);
    f.dictionary.known.clicktos[9].file = construct_object_record_from_source(root.file("fifo.htm"), 0);
    f.dictionary.known.clicktos[10].file = construct_object_record_from_source("/gone/none.htm", 0);
    f.scan("<A href=a quorbis_id=clickto7>a</A><A href=b quorbis_id=clickto8>b</A>"
           "<A href=c quorbis_id=clickto9>c</A><A href=d quorbis_id=clickto10>d</A>",
        scan_record | scan_known_first);
    EXPECT_EQ(f.targets.clicktos.size(), 4u);
    EXPECT_TRUE(f.targets.pictures.contains(20));
    EXPECT_TRUE(f.targets.pullfiles.contains(21));
}

TEST(BodyScanner, ARescanChangesNothing)
{
    const unsigned flags = scan_normalise | scan_record | scan_known_first | scan_drop_handlers;
    const char* bodies[] = {
        ("<P class=x onclick=y>a &bogus; b<FOO>c</FOO><TD></TD><STYLE>s</style ><A name=n>m</A>"
         "<IMG src=a.gif quorbis_id=picture1><EMBED src=\"m%41.swf\"><SCRIPT>x<y</SCRIPT>"),
        "<!--quorbis_c2t_form{<DIV id=div_c2t_form>}--><DIV id=div_c2t_form>x</DIV>",
        "<STYLE>open",
        "<p>x<style type=\"text/",
        // A quoted value never closed: the start tag runs to the end, end tag and all.
        "<style a=\"q></style>",
        "x<style type=\"text/ type=\"t=\"q>",
        // A stray quote: the attribute it opens runs on to the next quote.
        "<img src=\"left.png\" width=\"24\" \">NAME</a>;<div class=\"r\" lang=\"en\">N</div>",
        "<IMG quorbis_src_href=y src=x onclick=z \">w<div class=\"q\">v</div>",
        // A stored source given twice: both go.
        "<IMG quorbis_src_href=y quorbis_src_href=z\">w",
        // A dropped tag between a reference's name and its ";".
        "=&P<>;",
        // A movie named by a placeholder whose name holds a "?".
        "<EMBED src=\"?[pull name=",
    };
    for (const char* body : bodies) {
        scan_fixture f;
        const auto once = f.scan(body, flags);
        EXPECT_EQ(f.scan(once, flags), once) << body;
    }
}

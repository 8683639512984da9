// Our engine beside GNU sed 4.9 on the same scripts and inputs: the first table must agree
// byte for byte (output and w files); the second holds the deliberate differences of our
// dialect, each with both outputs.
#include "core/tests/sed/gnu_sed_peer.h"
#include "core/tests/sed/sed_test_support.h"
#include "platform/testing/temporary_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

const std::string lines5 = "one\ntwo\nthree\nfour\nfive\n";
const std::string words = "hello world\nfoo bar baz\n\nthe end\n";

struct row {
    std::vector<std::string> args;
    std::string input;
    std::map<std::string, std::string> files = {};
    std::vector<std::string> written = {}; // w files compared after the run
};

std::string describe(const row& r)
{
    std::string text;
    for (const auto& a : r.args)
        text += "[" + a + "] ";
    return text;
}

const std::vector<row>& agreeing_rows()
{
    static const std::vector<row> rows = {
        // substitution
        {{"s/o/0/"}, words},
        {{"s/o/0/g"}, words},
        {{"s/o/0/2"}, words},
        {{"s/o/0/2g"}, words},
        {{"s/a/b/2"}, "aaa\n"},
        {{"s/a/b/2g"}, "aaa\n"},
        {{"s/a/b/g"}, "aaa\n"},
        {{"s/a/b/1g"}, "aaa\n"},
        {{"s/./&&/g"}, "abc\n"},
        {{"s/\\(.*\\)@\\(.*\\)/\\2 at \\1/"}, "joe@example.org\nnone\n"},
        {{"s/[0-9]\\{2,3\\}/N/g"}, "1 12 123 1234 12345\n"},
        {{"s/a\\{2\\}/X/g"}, "aaaaa\n"},
        {{"s/a\\{2,\\}/X/g"}, "a aa aaaa\n"},
        {{"s/a*//g"}, "baaac\n"},
        {{"s/b*/-/"}, "abc\n"},
        {{"s/^/> /"}, lines5},
        {{"s/$/ </"}, lines5},
        {{"s/^$/EMPTY/"}, words},
        {{"s/[^a-z]//g"}, "a1-b2 c3!\n"},
        {{"s/[a-c-]/X/g"}, "abcd-e\n"},
        {{"s/[-x]/Y/g"}, "x-y\n"},
        {{"s/[^ ]*/[&]/g"}, "ab cd  ef\n"},
        {{"s/\\(a*\\)b\\1/X/"}, "aabaa aba\n"},
        {{"-n", "/\\(.\\)\\1/p"}, "abc\nabbc\nxyz\nzz\n"},
        {{"s|/|_|g"}, "/usr/local/bin\n"},
        {{"s/a\\/b/X/"}, "a/b a/b\n"},
        {{"s,x,\\,,g"}, "axbxc\n"},
        {{"s/\\<a/X/g"}, "an apple banana\n"},
        {{"s/a\\>/Y/g"}, "banana a cat\n"},
        {{"s/\\<[a-z]*\\>/W/g"}, "one, two;three\n"},
        {{"s/\\t/TAB/g"}, "a\tb\tc\n"},
        {{"s/a/\\n/g"}, "banana\n"},
        {{"s/x/\\x41/"}, "axb\n"},
        {{"s/\\x41/a/g"}, "AAB\n"},
        {{"s/[\\x41]/X/g"}, "Ax\\1\n"},
        {{"s/[\\n]/X/g;N;s/[\\n]/Y/"}, "a\nb\n"},
        {{"s/\\r$//"}, "dos\r\nline\r\n"},
        {{"s/b/X/"}, std::string("a\0b\n", 4)},
        {{"s/[0-9][0-9]*/<&>/g"}, "a1b22c333\n"},
        {{"s/\\([a-z]*\\) \\([a-z]*\\)/\\2 \\1/"}, "hello world\n"},
        {{"-e", "s/a/b/", "-e", "s/b/c/"}, "a\nb\n"},
        {{"s/.*/\"&\"/"}, words},
        {{"s/\\.$/!/"}, "end.\nno\n"},
        {{"s/a.c/X/g"}, "abc a.c ac\n"},
        {{"s/\\*/star/g"}, "a*b**\n"},
        {{"s/^*/S/"}, "*x\n"},
        {{"N;s/a.b/X/"}, "a\nb\n"},
        {{"s/a/b/w out.txt"}, "a\nc\naa\n", {}, {"out.txt"}},
        {{"-n", "s/a/b/gpw out.txt"}, "a\nc\naa\n", {}, {"out.txt"}},
        {{"/o/w out.txt"}, lines5, {}, {"out.txt"}},
        {{"-e", "/o/w out.txt", "-e", "/e/w out.txt"}, lines5, {}, {"out.txt"}},
        {{"N;W out.txt"}, "one\ntwo\nthree\nfour\n", {}, {"out.txt"}},
        {{"y/abc/xyz/"}, "aabbcc\n"},
        {{"y/abcdefghijklmnopqrstuvwxyz/ABCDEFGHIJKLMNOPQRSTUVWXYZ/"}, words},
        {{"y/\\t/ /"}, "a\tb\n"},
        {{"y,/,|,"}, "a/b\n"},
        // addresses and ranges
        {{"-n", "3p"}, lines5},
        {{"-n", "$p"}, lines5},
        {{"$!d"}, lines5},
        {{"2,4d"}, lines5},
        {{"2,4!d"}, lines5},
        {{"3,$d"}, lines5},
        {{"-n", "3,1p"}, lines5},
        {{"/two/,/four/s/^/#/"}, lines5},
        {{"/t/,/f/d"}, lines5},
        {{"/two/,+1d"}, lines5},
        {{"-n", "2,+2p"}, lines5},
        {{"2,3!s/$/!/"}, lines5},
        {{"\\,o,d"}, lines5},
        {{"/e$/d"}, lines5},
        {{"/^t/!d"}, lines5},
        {{"-n", "/two/,$p"}, lines5},
        {{"/x/,/y/d"}, "a\nx\nb\ny\nc\nx\nd\n"},
        // blocks
        {{"/o/{s/o/0/;s/e/3/;}"}, lines5},
        {{"/t/{/e/{s/^/TE:/;};}"}, lines5},
        {{"/o/!{s/^/-/;}"}, lines5},
        {{"2,4{/r/d;}"}, lines5},
        {{"-n", "/e/{p;q;}"}, lines5},
        // line ends at the end of input
        {{"p"}, "a\nb"},
        {{"s/b/B/"}, "a\nb"},
        {{"-n", "p"}, "a"},
        {{"$!d"}, "x\ny"},
        {{"="}, "a\nb"},
        {{"$a\\\nEND"}, "a\nb"},
        {{"$a END"}, "a\nb\n"},
        {{"i\\\nX"}, "a\nb"},
        // N, P, D windows
        {{"$!N;P;D"}, lines5},
        {{"$!N;s/\\n/ /"}, lines5},
        {{"$!N;$!D"}, lines5},
        {{"$!N;/^\\(.*\\)\\n\\1$/!P;D"}, "a\na\nb\nc\nc\nc\nd\n"},
        {{"-n", "$!{h;d;};x;G;p"}, "first\nsecond\nthird\n"},
        {{"1!G;h;$!d"}, lines5},
        {{"-n", "1!G;h;$p"}, lines5},
        {{":a;N;$!ba;s/\\n/,/g"}, lines5},
        {{"-e", ":a", "-e", "$!N;s/\\n//;ta"}, lines5},
        {{"/\\n/!G;s/\\(.\\)\\(.*\\n\\)/&\\2\\1/;//D;s/.//"}, "abc\nhello\n"},
        {{"n;d"}, lines5},
        {{"-n", "n;p"}, lines5},
        {{"n;n;s/$/!/"}, lines5},
        {{"-n", "h;n;G;p"}, "a\nb\nc\nd\n"},
        {{"x;$!d;x"}, lines5},
        {{"-n", "$="}, lines5},
        {{"="}, lines5},
        {{"D"}, "a\nb\n"},
        {{"$!N;$!N;P;D"}, lines5},
        // t, T and labels
        {{":a;s/\\([0-9]\\)\\([0-9][0-9][0-9]\\)\\>/\\1,\\2/;ta"}, "1234567\n12\n1000\n"},
        {{"s/a/X/;T;s/$/!/"}, "abc\nxyz\n"},
        {{"s/a/X/;t;s/$/!/"}, "abc\nxyz\n"},
        {{":x;s/aa/a/;tx"}, "aaaaaa b\n"},
        {{"-e", "/b/bend", "-e", "s/^/-/", "-e", ":end"}, "a\nb\nc\n"},
        {{"b;s/a/X/"}, "a\n"},
        // quitting, appends, inserts, changes, reads
        {{"2q"}, lines5},
        {{"/three/q"}, lines5},
        {{"-n", "2{p;q;}"}, lines5},
        {{"-e", "1a foo", "-e", "1q"}, lines5},
        {{"2a\\\nafter"}, lines5},
        {{"2i\\\nbefore"}, lines5},
        {{"2c\\\nchanged"}, lines5},
        {{"2,3c\\\nrange"}, lines5},
        {{"/o/a\\\nline1\\\nline2"}, "one\ntwo\n"},
        {{"2r data.txt"}, "a\nb\nc\n", {{"data.txt", "r1\nr2\n"}}},
        {{"$r data.txt"}, "a\nb\n", {{"data.txt", "tail\n"}}},
        {{"-e", "1r data.txt", "-e", "1a text"}, "a\nb\n", {{"data.txt", "file\n"}}},
        // scripts from files, several inputs, options
        {{"-f", "script.sed"}, lines5, {{"script.sed", "s/o/O/g\n/f/d\n"}}},
        {{"-n", "-f", "script.sed"}, lines5, {{"script.sed", "/e/{\n  s/e/E/\n  p\n}\n"}}},
        {{"-n", "$p", "f1", "f2"}, "", {{"f1", "a\nb\n"}, {"f2", "c\nd\n"}}},
        {{"-n", "3p", "f1", "f2"}, "", {{"f1", "a\nb\n"}, {"f2", "c\nd\n"}}},
        {{"$!N;s/\\n/+/", "f1", "f2"}, "", {{"f1", "a\nb\nc\n"}, {"f2", "d\ne\n"}}},
        {{"1h;$G", "f1", "f2"}, "", {{"f1", "a\n"}, {"f2", "b\nc\n"}}},
        {{"-e", "#n", "-e", "p"}, lines5},
        {{"-n", "-e", "/one/p", "-e", "/five/p"}, lines5},
        {{"p"}, ""},
        {{"s/a/b/"}, std::string(10000, 'a') + "\n"},
        {{"s/a/b/g"}, std::string(10000, 'a') + "\n"},
        {{"s/ *$//"}, "trail   \nnone\n  \n"},
        {{"s/^[ \\t]*//"}, "  \t lead\nnone\n"},
        {{"/^$/d"}, words},
        {{"s/\\(a\\)\\(b\\)\\(c\\)\\(d\\)\\(e\\)\\(f\\)\\(g\\)\\(h\\)\\(i\\)/\\9\\8\\7\\6\\5\\4\\3\\2\\1/"}, "abcdefghi\n"},
    };
    return rows;
}

class GnuSedPeer : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string version = sed_test::gnu_sed_version(folder_.path());
        ASSERT_NE(version.find("4.9"), std::string::npos)
            << "GNU sed 4.9 must be installed for the differential test; found: '" << version << "'";
    }
    platform::testing::temporary_folder folder_;
};

TEST_F(GnuSedPeer, AgreesOnEveryCommonRow)
{
    for (const row& r : agreeing_rows()) {
        hevtools::sed::memory_file_opener files;
        for (const auto& [name, text] : r.files)
            files.files[name] = text;
        std::vector<std::string> args = r.args;
        auto ours = sed_test::run(args, r.input, &files);
        auto peer = sed_test::run_gnu_sed(folder_.path(), args, r.input, r.files, r.written);
        SCOPED_TRACE(describe(r));
        EXPECT_EQ(peer.status, 0);
        EXPECT_EQ(ours.status, 0);
        EXPECT_EQ(ours.output, peer.output);
        for (const auto& name : r.written)
            EXPECT_EQ(files.files[name], peer.files[name]) << name;
    }
}

struct difference {
    std::vector<std::string> args;
    std::string input;
    std::string ours;
    int ours_status;
    std::string gnu;
    int gnu_status;
};

TEST_F(GnuSedPeer, DiffersWhereOurDialectSaysSo)
{
    const std::vector<difference> rows = {
        // "+" repeats; "\+" is a literal plus
        {{"s/a+/X/"}, "caaat+\n", "cXt+\n", 0, "caaat+\n", 0},
        {{"s/a\\+/X/"}, "caaat a+\n", "caaat X\n", 0, "cXt a+\n", 0},
        // counted repetition needs a minimum of at least 1
        {{"s/a\\{0,2\\}/X/"}, "aaat\n", "", 2, "Xat\n", 0},
        // escapes inside brackets
        {{"s/[\\]]/X/g"}, "a]b\\\n", "aXb\\\n", 0, "a]b\\\n", 0},
        {{"s/[a\\-z]/X/g"}, "b-\n", "bX\n", 0, "X-\n", 0},
        // "\b" is a backspace, "\e" an escape
        {{"s/\\b/X/"}, "ab\bc\n", "abXc\n", 0, "Xab\bc\n", 0},
        {{"s/\\e/E/"}, "a\x1b" "b\n", "aEb\n", 0, "a\x1b" "b\n", 0},
        // "%" alone reuses the previous replacement
        {{"s/a/X/;s/b/%/"}, "ab\n", "XX\n", 0, "X%\n", 0},
        // ";" may stand before a second address
        {{"-n", "1;3p"}, lines5, "one\ntwo\nthree\n", 0, "", 1},
        // "#n" counts as the first comment anywhere
        {{"p;#n"}, "a\nb\n", "a\nb\n", 0, "a\na\nb\nb\n", 0},
        // a range's end is tested on its start line too
        {{"/a/,/a/d"}, "a\nb\na\nc\n", "b\nc\n", 0, "c\n", 0},
        // N on the last line prints nothing
        {{"N"}, "a\nb\nc\n", "a\nb\n", 0, "a\nb\nc\n", 0},
        // G and H add no line end to an empty space
        {{"G"}, "a\n\nb\n", "a\n\n\nb\n\n", 0, "a\n\n\n\nb\n\n", 0},
        {{"-n", "H;${x;p;}"}, "a\nb\n", "a\nb\n", 0, "\na\nb\n", 0},
        // a missing r file ends the run
        {{"r missing.txt"}, "a\n", "a\n", 2, "a\n", 0},
        // the "l" format: "\xhh " for other bytes, no "$", no folding
        {{"-n", "l"}, "a\tb\x01\\\n", "a\\tb\\x01 \\\\\n", 0, "a\\tb\\001\\\\$\n", 0},
        // address 0 is no address
        {{"0p"}, "a\n", "a\na\n", 0, "", 1},
        // leading blanks of a, i and c lines are skipped
        {{"1a\\\n   text"}, "a\n", "a\ntext\n", 0, "a\n   text\n", 0},
        // c at the end of input inside an open range
        {{"2,/x/c\\\nC"}, "a\nb\nc\n", "a\nC\n", 0, "a\n", 0},
        // no empty match after the last one at the end of the line
        {{"s/x*/-/g"}, "abc\n", "-a-b-c\n", 0, "-a-b-c-\n", 0},
        {{"s/a*/x/g"}, "baaac\n", "xbxc\n", 0, "xbxcx\n", 0},
        // "//" is the expression compiled last, not the one used last
        {{"/x/s/a/A/;s//Z/"}, "a\nxa\n", "Z\nxA\n", 0, "a\nxA\n", 0},
        // a skipped block resets the ranges inside it
        {{"-n", "2!{/a/,/c/p;}"}, "a\nb\nc\n", "a\n", 0, "a\nc\n", 0},
        // q on a last line without line end writes none
        {{"q"}, "a", "a", 0, "a\n", 0},
        // t looks at the last s only
        {{"s/a/A/;s/b/B/;t;s/$/!/"}, "a\n", "A!\n", 0, "A\n", 0},
        // a w file name ends at ";"
        {{"-n", "w out.txt;p"}, "a\n", "a\n", 0, "", 0},
        // a command before "}" needs its ";"
        {{"/a/{p}"}, "a\n", "", 2, "a\na\n", 0},
        // "*" after a group is a literal
        {{"s/\\(ab\\)*/X/"}, "ab*\n", "X\n", 0, "X*\n", 0},
        // a last line without line end keeps lacking it after G
        {{"G"}, "a\nb", "a\n\nb\n", 0, "a\n\nb\n\n", 0},
        // "\|" is a literal bar
        {{"s/a\\|b/X/g"}, "ab a|b\n", "ab X\n", 0, "XX X|X\n", 0},
        // a text does not go on into the next -e
        {{"-e", "2i\\", "-e", "in"}, "a\nb\n", "n\na\n\nn\nb\n", 0, "a\nin\nb\n", 0},
    };
    for (const difference& d : rows) {
        auto ours = sed_test::run(d.args, d.input);
        auto peer = sed_test::run_gnu_sed(folder_.path(), d.args, d.input, {}, {});
        std::string name;
        for (const auto& a : d.args)
            name += "[" + a + "] ";
        SCOPED_TRACE(name);
        EXPECT_EQ(ours.status, d.ours_status);
        EXPECT_EQ(ours.output, d.ours);
        EXPECT_EQ(peer.status, d.gnu_status);
        EXPECT_EQ(peer.output, d.gnu);
    }
}

TEST_F(GnuSedPeer, AgreesOnRealPages)
{
    std::filesystem::path corpus = TALVERIN_HTML_CORPUS;
    std::error_code error;
    if (!std::filesystem::is_directory(corpus, error))
        GTEST_SKIP() << "no page corpus at " << corpus;
    const std::vector<std::vector<std::string>> scripts = {
        {"s/<[^>]*>//g"},
        {"s/\\([a-z]*\\)=\\(\"[^\"]*\"\\)/\\2=\\1/g;s/\\<[A-Za-z][a-z]*\\>/[&]/g"},
        {"$!N;s/\\n/ /;P;D"},
    };
    int pages = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
        if (entry.path().extension() != ".html")
            continue;
        ++pages;
        std::string page = sed_test::read_whole_file(entry.path().string());
        for (const auto& args : scripts) {
            SCOPED_TRACE(entry.path().filename().string() + " " + args[0]);
            auto ours = sed_test::run(args, page);
            auto peer = sed_test::run_gnu_sed(folder_.path(), args, page, {}, {});
            EXPECT_EQ(ours.status, 0);
            EXPECT_TRUE(ours.output == peer.output);
        }
    }
    EXPECT_GT(pages, 0);
}

}

// Compiling: every kept limit just inside and outside, the error messages, and the dialect.
#include "core/tests/sed/sed_test_support.h"

#include <gtest/gtest.h>

namespace {

std::string repeated(const std::string& piece, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

std::string numbered(const std::string& before, const std::string& after, int count)
{
    std::string out;
    for (int i = 1; i <= count; ++i)
        out += before + std::to_string(i) + after;
    return out;
}

std::string line_numbers(int count)
{
    std::string out;
    for (int i = 0; i + 1 < count; i += 2)
        out += "1,2p;";
    if (count % 2)
        out += "3p;";
    return out;
}

struct compile_case {
    std::vector<std::string> args;
    int status;
    std::string message; // the last message; empty: none
};

TEST(SedCompile, LimitsAndErrorsGiveTheirMessageStatusAndNoOutput)
{
    const std::string ten_groups = "s/" + repeated("\\(a\\)", 10) + "/x/";
    const std::vector<compile_case> cases = {
        {{"-n", repeated("p;", 199)}, 0, ""},
        {{"-n", repeated("p;", 200)}, 2, "sed: too many commands, last was " + repeated("p;", 200)},
        {{"-n", numbered("bl", ";", 48) + numbered(":l", ";", 48)}, 0, ""},
        {{"-n", numbered(":l", ";", 49)}, 2, "sed: too many labels: " + numbered(":l", ";", 49)},
        {{"-n", line_numbers(255)}, 0, ""},
        {{"-n", line_numbers(256)}, 2, "sed: too many line numbers " + line_numbers(256)},
        {{"-n", repeated("1,+1p;", 49)}, 0, ""},
        {{"-n", repeated("1,+1p;", 50)}, 2, "sed: too many line numbers " + repeated("1,+1p;", 50)},
        {{"-n", numbered("w f", ";", 10)}, 0, ""},
        {{"-n", numbered("w f", ";", 11)}, 2, "sed: too many w files " + numbered("w f", ";", 11)},
        {{"s/" + repeated("\\(a\\)", 9) + "/x/"}, 0, ""},
        {{ten_groups}, 2, "sed: garbled command " + ten_groups},
        {{"s/a/b/0"}, 2, "sed: bad value for match count on s command s/a/b/0"},
        {{"s/a/b/512"}, 0, ""},
        {{"s/a/b/513"}, 2, "sed: bad value for match count on s command s/a/b/513"},
        {{"s/a\\{0\\}/b/"}, 2, "sed: garbled command s/a\\{0\\}/b/"},
        {{"s/a\\{3,1\\}/b/"}, 2, "sed: garbled command s/a\\{3,1\\}/b/"},
        {{"s/a\\{255,509\\}/b/"}, 0, ""},
        {{"s/a\\{255,510\\}/b/"}, 2, "sed: garbled command s/a\\{255,510\\}/b/"},
        {{"s/a\\{256\\}/b/"}, 2, "sed: garbled command s/a\\{256\\}/b/"},
        {{"s/\\{2\\}/b/"}, 2, "sed: garbled command s/\\{2\\}/b/"},
        {{"s/[z-a]/b/"}, 2, "sed: range error in set s/[z-a]/b/"},
        {{"s/[ab/c/"}, 2, "sed: garbled command s/[ab/c/"},
        {{"s/\\x4g/b/"}, 2, "sed: bad expression \\x4g/b/"},
        {{"s/a/\\x4/"}, 2, "sed: bad expression \\x4/"},
        {{"s/\\(a\\)/\\2/"}, 2, "sed: garbled command s/\\(a\\)/\\2/"},
        {{"s/\\(a/b/"}, 2, "sed: garbled command s/\\(a/b/"},
        {{"s/a\\)/b/"}, 2, "sed: garbled command s/a\\)/b/"},
        {{"s/\\1\\(a\\)/b/"}, 2, "sed: garbled command s/\\1\\(a\\)/b/"},
        {{"s/a/b"}, 2, "sed: garbled command s/a/b"},
        {{"s//b/"}, 2, "sed: garbled command s//b/"},
        {{"}"}, 2, "sed: too many }'s }"},
        {{"1{p"}, 2, "sed: too many {'s 1{p"},
        {{"1}"}, 2, "sed: no addresses allowed for 1}"},
        {{"b nowhere"}, 2, "sed: undefined label nowhere"},
        {{":a"}, 0, "sed: Label not used a"},
        {{":a;:a;ba"}, 2, "sed: duplicate label :a;:a;ba"},
        {{"1:a"}, 2, "sed: no addresses allowed for 1:a"},
        {{"p x"}, 2, "sed: trailing garbage was found in the command: p x"},
        {{"//p"}, 2, "sed: garbled address //p"},
        {{"1,p"}, 2, "sed: garbled address 1,p"},
        {{"1,+p"}, 2, "sed: garbled address 1,+p"},
        {{"4294967295p"}, 0, ""},
        {{"4294967296p"}, 2, "sed: garbled address 4294967296p"},
        {{"+2p"}, 2, "sed: no such command as +2p"},
        {{"k"}, 2, "sed: no such command as k"},
        {{"1"}, 2, "sed: no such command as 1"},
        {{"1,2="}, 2, "sed: only one address allowed for 1,2="},
        {{"1,2q"}, 2, "sed: only one address allowed for 1,2q"},
        {{"1,2a x"}, 2, "sed: only one address allowed for 1,2a x"},
        {{"y/abc/de/"}, 2, "sed: garbled command y/abc/de/"},
        {{"y/abc/def"}, 2, "sed: garbled command y/abc/def"},
        {{"-nx", "p"}, 2, "sed: error proccessing: -nx"},
        {{"-gn", "p"}, 2, "sed: error proccessing: -gn"},
        {{"-e"}, 2, "sed: no argument for -e"},
        {{"-f"}, 2, "sed: no argument for -f"},
        {{"-f", "missing.sed"}, 2, "sed: cannot open command-file missing.sed"},
        {{"-q", "p"}, 1, "sed: unknown flag q"},
        {{"-s"}, 1, "sed: unknown flag s"},
        {{}, 1, "usage: sed [-n] [-g] [-e cmds] [-f cmdfile] files"},
        {{"-n"}, 1, "usage: sed [-n] [-g] [-e cmds] [-f cmdfile] files"},
        {{"p", "missing.txt"}, 2, "sed: cannot open missing.txt"},
    };
    for (const auto& c : cases) {
        std::string name;
        for (const auto& a : c.args)
            name += "[" + a.substr(0, 40) + "] ";
        SCOPED_TRACE(name);
        auto result = sed_test::run(c.args, "a\n");
        EXPECT_EQ(result.status, c.status);
        if (c.message.empty()) {
            EXPECT_TRUE(result.messages.empty()) << result.messages.front();
        } else {
            ASSERT_FALSE(result.messages.empty());
            EXPECT_EQ(result.messages.back(), c.message);
        }
        if (c.status != 0) {
            EXPECT_EQ(result.output, "");
        }
    }
}

struct dialect_case {
    std::vector<std::string> args;
    std::string input;
    std::string output;
};

TEST(SedDialect, ScriptsGiveTheirOutput)
{
    const std::vector<dialect_case> cases = {
        {{"s/a+/X/"}, "caaat\n", "cXt\n"},
        {{"s/+a*/X/"}, "+aa\n", "X\n"},
        {{"s/a\\+/X/"}, "aa+\n", "aX\n"},
        {{"s/\\<b/X/g"}, "bob abba b\n", "Xob abba X\n"},
        {{"s/b\\>/X/g"}, "bob abba b_b\n", "boX abba b_X\n"},
        {{"s/a\\{2\\}/X/g"}, "aaaaa\n", "XXa\n"},
        {{"s/a\\{2,3\\}/X/g"}, "aaaaaaa\n", "XXa\n"},
        {{"s/a\\{2,\\}/X/g"}, "a aa aaaaa\n", "a X X\n"},
        {{"s/[\\t\\n]/X/g"}, "a\tb\n", "aXb\n"},
        {{"s/[\\]]/X/g"}, "a]b\n", "aXb\n"},
        {{"s/[-a]/X/g"}, "-ab\n", "XXb\n"},
        {{"s/[a-]/X/g"}, "-ab\n", "XXb\n"},
        {{"s/[^a]/X/g"}, std::string("a\0b\n", 4), std::string("a\0X\n", 4)},
        {{"s/\\x5c/X/"}, "a\\b\n", "aXb\n"},
        {{"s/\\x5c\\x5c/X/"}, "a\\\\b\n", "aXb\n"},
        {{"s/b/\\x26/"}, "abc\n", "a&c\n"},
        {{"s/b/\x80" "1/"}, "abc\n", "a\x80" "1c\n"},
        {{"s/\\(b\\)/\x80\\1\x80" "0/"}, "abc\n", "a\x80" "b\x80" "0c\n"},
        {{"s/b/x\\x00y/"}, "abc\n", std::string("ax\0yc\n", 6)},
        {{"s/a/X/;s/b/%/"}, "ab\n", "XX\n"},
        {{"s/%/X/"}, "a%\n", "aX\n"},
        {{"s/a/%/"}, "a\n", "%\n"},
        {{"-n", "1;3p"}, "1\n2\n3\n4\n", "1\n2\n3\n"},
        {{"#n\np"}, "a\n", "a\n"},
        {{"p;#nothing"}, "a\n", "a\n"},
        {{"-n", "1,+2p"}, "1\n2\n3\n4\n5\n", "1\n2\n3\n"},
        {{"-n", "2,+0p"}, "1\n2\n3\n", "2\n"},
        {{"0p"}, "a\n", "a\na\n"},
        {{"y/a\\tb/\\nXY/"}, "a\tb\n", "\nXY\n"},
        {{"y/\\//|/"}, "a/b\n", "a|b\n"},
        {{"1a x;y#z"}, "a\n", "a\nx;y#z\n"},
        {{"1i\\\n  one\\\n  two"}, "a\n", "one\ntwo\na\n"},
        {{"1c\\\nnew\\tline"}, "a\nb\n", "new\tline\nb\n"},
        {{"1a\\tab"}, "a\n", "a\n\tab\n"},
        {{"/a/!{/b/!{s/^/-/;};}"}, "a\nb\nc\n", "a\nb\n-c\n"},
        {{"1!{p;}"}, "a\nb\n", "a\nb\nb\n"},
        {{"w"}, "a\nb\n", "a\na\nb\nb\n"},
        {{"-n", "p;w;p"}, "a\n", "a\na\na\n"},
        {{"s/x/y/w"}, "x\n", "y\ny\n"},
        {{"-g", "-e", "s/a/b/"}, "aaa\n", "bbb\n"},
        {{"-g", "s/a/b/2"}, "aaaa\n", "abbb\n"},
        {{"s/a/b/;s/a/c/"}, "aa\n", "bc\n"},
        {{"s.a.\\..g"}, "aba\n", ".b.\n"},
        {{"\\%a%d"}, "a\nb\n", "b\n"},
        {{"s/a\\nb/X/;N;s/a\\nb/X/"}, "a\nb\n", "X\n"},
        {{"s/$/!/;s/a$/?/"}, "a\n", "a!\n"},
        {{"s/a$b/X/"}, "a$b\n", "X\n"},
        {{"s/b^/X/"}, "ab^c\n", "aXc\n"},
        {{"s/^*a/X/"}, "*ab\n", "Xb\n"},
        {{"s/\\(*\\)/X/"}, "a*\n", "aX\n"},
        {{"s/a**/X/"}, "aa**\n", "X*\n"},
        {{"s/./X/g"}, std::string("a\0\n", 3), "XX\n"},
        {{"p # a comment"}, "a\n", "a\na\n"},
        {{"  p ; ; p  "}, "a\n", "a\na\na\n"},
        {{"-e", "p", "-e", "p"}, "a\n", "a\na\na\n"},
        {{"-ep"}, "a\n", "a\na\n"},
    };
    for (const auto& c : cases) {
        std::string name;
        for (const auto& a : c.args)
            name += "[" + a + "] ";
        SCOPED_TRACE(name);
        auto result = sed_test::run(c.args, c.input);
        EXPECT_EQ(result.status, 0) << (result.messages.empty() ? "" : result.messages.back());
        EXPECT_EQ(result.output, c.output);
    }
}

TEST(SedCompile, AnOpenBlockAndAnUndefinedLabelAreFoundAfterEveryScript)
{
    auto across = sed_test::run({"-n", "-e", "/a/{", "-e", "p", "-e", "}"}, "a\nb\n");
    EXPECT_EQ(across.status, 0);
    EXPECT_EQ(across.output, "a\n");
    auto branch = sed_test::run({"-e", "bend", "-e", "s/a/b/", "-e", ":end"}, "a\n");
    EXPECT_EQ(branch.status, 0);
    EXPECT_EQ(branch.output, "a\n");
}

TEST(SedCompile, ScriptFilesWithCrLfLineEndsCompile)
{
    hevtools::sed::memory_file_opener files;
    files.files["win.sed"] = "s/a/b/\r\n/c/d\r\n1i\\\r\ntop\r\n";
    auto result = sed_test::run({"-f", "win.sed"}, "a\nc\n", &files);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, "top\nb\n");
}

}

// Running scripts: substitution, the cycle, long lines and the space limit, files.
#include "core/tests/sed/sed_test_support.h"
#include "platform/testing/temporary_folder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace {

using sed_test::output_of;
using sed_test::run;

struct script_case {
    std::vector<std::string> args;
    std::string input;
    std::string output;
};

void expect_outputs(const std::vector<script_case>& cases)
{
    for (const auto& c : cases) {
        std::string name;
        for (const auto& a : c.args)
            name += "[" + a + "] ";
        SCOPED_TRACE(name);
        auto result = run(c.args, c.input);
        EXPECT_EQ(result.status, 0) << (result.messages.empty() ? "" : result.messages.back());
        EXPECT_EQ(result.output, c.output);
    }
}

TEST(SedSubstitution, CountsFlagsAndReferences)
{
    expect_outputs({
        {{"s/a/b/2"}, "aaa\n", "aba\n"},
        {{"s/a/b/2g"}, "aaa\n", "abb\n"},
        {{"s/a/b/g"}, "aaa\n", "bbb\n"},
        {{"s/a/b/1g"}, "aaa\n", "bbb\n"},
        {{"s/a/b/4"}, "aaa\n", "aaa\n"},
        {{"s/[a-z]*/<&>/"}, "abc def\n", "<abc> def\n"},
        {{"s/\\([a-z]*\\) \\([a-z]*\\)/\\2-\\1-&/"}, "ab cd\n", "cd-ab-ab cd\n"},
        {{"-n", "s/a/b/p"}, "a\nc\n", "b\n"},
        {{"-n", "N;s/a/b/P"}, "a\nc\n", "b\n"},
        {{"-n", "s/a/b/pg"}, "aa\nc\n", "bb\n"},
        {{"-g", "s/o/0/"}, "foo\n", "f00\n"},
        {{"s/x*/-/g"}, "abc\n", "-a-b-c\n"},
        {{"s/a*/x/g"}, "baaac\n", "xbxc\n"},
        {{"s/x*/-/2"}, "abc\n", "a-bc\n"},
        {{"s/x*/-/3g"}, "abc\n", "ab-c\n"},
        {{"s/b*/-/g"}, "abba\n", "-a-a\n"},
        {{"s/^a/x/g"}, "aaa\n", "xaa\n"},
        {{"s/a*$/!/g"}, "baa\n", "b!\n"},
        {{"s/.*/[&]/g"}, "ab\n", "[ab]\n"},
        {{"s/.*.*.*x/Y/"}, "aaaaaaaaaax\n", "Y\n"},
        {{"s/[a-z]*[a-z]*=/Y/g"}, "ab=cd=e\n", "YYe\n"},
        {{"s/\\(a*\\)\\1b/<\\1>/"}, "aaaab\n", "<aa>\n"},
        {{"s/\\(ab\\)\\1*c/X/"}, "abababc\n", "X\n"},
    });
}

TEST(SedSubstitution, GlobalSubstitutionOnAMegabyteLineIsWhole)
{
    std::string line;
    for (int i = 0; i < 100000; ++i)
        line += "ab=cd&xyz";
    line.resize(1000000, 'q');
    auto result = run({"s/&/\\n/g"}, line + "\n");
    ASSERT_EQ(result.status, 0);
    std::string expected = line;
    for (char& c : expected)
        if (c == '&')
            c = '\n';
    EXPECT_EQ(result.output, expected + "\n");
}

TEST(SedCycle, LastLineWithoutLineEnd)
{
    expect_outputs({
        {{"s/a/b/"}, "a", "b"},
        {{"p"}, "a", "a\na"},
        {{"a foo"}, "a", "a\nfoo\n"},
        {{"-n", "p;p"}, "x\na", "x\nx\na\na"},
        {{"n"}, "a\nb", "a\nb"},
        {{"q"}, "a", "a"},
        {{"$!N;P;D"}, "a\nb", "a\nb"},
        {{"="}, "a", "1\na"},
        {{"i x"}, "a", "x\na"},
    });
}

TEST(SedCycle, CommandsOverTheCycle)
{
    expect_outputs({
        {{"N"}, "a\nb\nc\n", "a\nb\n"},
        {{"$!N"}, "a\nb\nc\n", "a\nb\nc\n"},
        {{"2,3c\\\nX"}, "1\n2\n3\n4\n", "1\nX\n4\n"},
        {{"2,5c\\\nX"}, "1\n2\n3\n", "1\nX\n"},
        {{"$!c\\\nX"}, "1\n2\n", "X\n2\n"},
        {{"1{N;N;D;}"}, "1\n2\n3\n4\n", "2\n3\n4\n"},
        {{"-n", "$!{N;};P;D"}, "1\n2\n3\n", "1\n2\n3\n"},
        {{"-n", "/2/,/2/p"}, "1\n2\n3\n2\n", "2\n2\n"},
        {{"-n", "2,1p"}, "1\n2\n3\n", "2\n"},
        {{"-n", "/1/,3p"}, "1\n2\n3\n4\n1\n", "1\n2\n3\n1\n"},
        {{"x;G"}, "a\nb\n", "a\na\nb\n"},
        {{"-n", "l"}, "a\x01\xff\\\e\n", "a\\x01 \\xff \\\\\\e\n"},
        {{"y/abc/bca/"}, "aabbcc\n", "bbccaa\n"},
        {{"s/a/A/;T;s/$/!/"}, "a\nb\n", "A!\nb\n"},
        {{"s/a/A/;s/x/X/;ty;s/$/./;:y"}, "a\n", "A.\n"},
    });
}

TEST(SedCycle, QuitWritesQueuedAppendsAndReadsNoFurther)
{
    hevtools::sed::memory_file_opener files;
    files.files["f1"] = "1\n2\n3\n";
    auto result = run({"-e", "2a after", "-e", "2q", "f1", "missing"}, "", &files);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, "1\n2\nafter\n");
    EXPECT_TRUE(result.messages.empty());
}

TEST(SedCycle, HoldSpaceLineNumbersAndLastLineSpanInputs)
{
    hevtools::sed::memory_file_opener files;
    files.files["f1"] = "a\nb\n";
    files.files["f2"] = "c\n";
    files.files["empty"] = "";
    EXPECT_EQ(run({"-n", "$=;$p", "f1", "f2"}, "", &files).output, "3\nc\n");
    EXPECT_EQ(run({"-n", "1h;${G;p;}", "f1", "f2"}, "", &files).output, "c\na\n");
    EXPECT_EQ(run({"N;N;s/\\n/+/g", "f1", "f2"}, "", &files).output, "a+b+c\n");
    EXPECT_EQ(run({"N;s/\\n/+/g", "f2", "empty", "f1"}, "", &files).output, "c+a\n");
    EXPECT_EQ(run({"$!N;s/\\n/+/", "f2", "f1"}, "", &files).output, "c+a\nb\n");
    EXPECT_EQ(run({"n;s/^/>/", "f2", "f1"}, "", &files).output, "c\n>a\nb\n");
    // "$" is the last line of the last input, even when a later input is empty.
    EXPECT_EQ(run({"-n", "$p", "f1"}, "", &files).output, "b\n");
    auto missing = run({"p", "f1", "nothere"}, "", &files);
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.output, "a\na\nb\nb\n");
    EXPECT_EQ(missing.messages.back(), "sed: cannot open nothere");
}

TEST(SedCycle, AppendsAndReadsPerCycle)
{
    hevtools::sed::memory_file_opener files;
    files.files["bytes"] = std::string("x\0y", 3);
    std::string nineteen;
    for (int i = 0; i < 19; ++i)
        nineteen += "a t\n";
    auto ok = run({nineteen}, "l\n", &files);
    EXPECT_EQ(ok.status, 0);
    EXPECT_EQ(ok.output.size(), 2 + 19 * 2u);
    auto too_many = run({nineteen + "a t"}, "l\n", &files);
    EXPECT_EQ(too_many.status, 2);
    EXPECT_EQ(too_many.messages.back(), "sed: too many appends after line 1");
    std::string reads;
    for (int i = 0; i < 20; ++i)
        reads += "r bytes\n";
    auto too_many_reads = run({reads}, "l\n", &files);
    EXPECT_EQ(too_many_reads.messages.back(), "sed: too many reads after line 1");
    EXPECT_EQ(run({"r bytes"}, "1\n2\n", &files).output, std::string("1\nx\0y2\nx\0y", 10));
    auto missing = run({"r nothing"}, "1\n", &files);
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.messages.back(), "sed: cannot open nothing");
}

TEST(SedCycle, BranchGuardCountsBranchesSinceTheLastRead)
{
    // At a limit of 50: 49 taken branches pass, the 50th ends the run.
    std::string loop49 = ":a;s/x/y/;ta";
    auto ok = run({loop49}, std::string(49, 'x') + "\n", nullptr, 50);
    EXPECT_EQ(ok.status, 0);
    EXPECT_EQ(ok.output, std::string(49, 'y') + "\n");
    auto too_many = run({loop49}, std::string(50, 'x') + "\n", nullptr, 50);
    EXPECT_EQ(too_many.status, 2);
    EXPECT_EQ(too_many.messages.back(), "sed: infinite branch loop at line 1");
    auto skipped_blocks = run({"1!{p;};1!{p;};1!{p;}"}, "a\n", nullptr, 3);
    EXPECT_EQ(skipped_blocks.status, 2);
    EXPECT_EQ(run({":a;ba"}, "a\n", nullptr, 1000).messages.back(), "sed: infinite branch loop at line 1");
    // D restarting the cycle without reading counts too, so a D loop ends.
    auto restarts = run({"G;h;$!D"}, "x\ny\n", nullptr, 1000);
    EXPECT_EQ(restarts.status, 2);
    EXPECT_EQ(restarts.messages.back(), "sed: infinite branch loop at line 1");
    EXPECT_EQ(run({"$!N;P;D"}, "1\n2\n3\n", nullptr, 3).output, "1\n2\n3\n");
    // A loop that reads input resets the count with every line.
    std::string lines;
    for (int i = 0; i < 200000; ++i)
        lines += std::to_string(i) + "\n";
    auto joined = run({":a;N;$!ba;s/\\n/,/g"}, lines);
    ASSERT_EQ(joined.status, 0);
    EXPECT_EQ(std::count(joined.output.begin(), joined.output.end(), ','), 199999);
    EXPECT_EQ(joined.output.substr(0, 8), "0,1,2,3,");
}

TEST(SedLongLines, StayWholeThroughEveryCommand)
{
    for (std::size_t size : {std::size_t(4001), std::size_t(8) << 20}) {
        std::string line(size, 'a');
        line[size / 2] = 'b';
        SCOPED_TRACE(size);
        EXPECT_EQ(output_of("s/b/c/g", line), std::string(size, 'a').replace(size / 2, 1, "c"));
        EXPECT_EQ(output_of("h;G", line + "\n"), line + "\n" + line + "\n");
        EXPECT_EQ(output_of("H;x", line + "\n"), line + "\n");
        EXPECT_EQ(output_of("N;x;G", line + "\n" + line + "\n"), line + "\n" + line + "\n");
        EXPECT_EQ(run({"-n", "$="}, line).output, "1\n");
    }
}

TEST(SedLongLines, TheSpaceLimitStopsGrowth)
{
    const std::size_t limit = 100;
    std::string line(60, 'a');
    struct limited {
        std::string script;
        std::string input;
        std::string message;
    };
    const std::vector<limited> cases = {
        {"s/a/aa/g", line + "\n", "sed: line too long at line 1"},
        {"h;G", line + "\n", "sed: append too long after line 1"},
        {"H;H", line + "\n", "sed: append too long after line 1"},
        {"N", line + "\n" + line + "\n", "sed: append too long after line 2"},
        {"p", std::string(101, 'a') + "\n", "sed: line too long at line 1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        auto result = run({c.script}, c.input, nullptr, 0, limit);
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.messages.back(), c.message);
    }
    EXPECT_EQ(run({"s/a/b/g"}, std::string(100, 'a'), nullptr, 0, limit).output, std::string(100, 'b'));
}

TEST(SedFiles, WriteCommandsShareFilesByName)
{
    hevtools::sed::memory_file_opener files;
    auto result = run({"-e", "w all", "-e", "/b/w bees", "-e", "N;W all", "-e", "s/b/B/w bees"}, "a\nb\nc\nd\n",
        &files);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(files.files["all"], "a\na\nc\nc\n");
    EXPECT_EQ(files.files["bees"], "a\nB\n");
    EXPECT_EQ(files.created, (std::vector<std::string> {"all", "bees"}));
}

TEST(SedFiles, RealFilesInAFolder)
{
    platform::testing::temporary_folder folder;
    {
        std::ofstream(folder.file("in.txt"), std::ios::binary) << "one\r\ntwo\n";
        std::ofstream(folder.file("extra.txt"), std::ios::binary) << "extra\n";
        std::ofstream(folder.file("script.sed"), std::ios::binary) << "s/o/0/g\r\n1r " + folder.file("extra.txt")
                + "\r\nw " + folder.file("out.txt") + "\r\n";
    }
    core::sed_command command({"sed", "-f", folder.file("script.sed"), folder.file("in.txt")});
    hevtools::sed::recording_error_sink sink;
    hevtools::sed::engine_options options;
    options.errors = &sink;
    command.set_engine_options(options);
    auto result = command.run_on_text_with_status("");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, "0ne\r\nextra\ntw0\n");
    std::ifstream written(folder.file("out.txt"), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(written), {}), "0ne\r\ntw0\n");
    core::sed_command bad({"sed", "w " + folder.file("no/such/dir/x")});
    bad.set_engine_options(options);
    EXPECT_EQ(bad.run_on_text_with_status("a\n").status, 2);
    EXPECT_EQ(sink.messages.back(), "sed: cannot create " + folder.file("no/such/dir/x"));
}

}

// The entry points and the scripts the rest of the program runs through them.
#include "core/tests/sed/sed_test_support.h"

#include <gtest/gtest.h>

#include <sstream>
#include <thread>

namespace {

using Words = std::vector<std::string>;

hevtools::sed::engine_options quiet(hevtools::sed::error_sink& sink, hevtools::sed::file_opener& files)
{
    hevtools::sed::engine_options options;
    options.errors = &sink;
    options.files = &files;
    return options;
}

TEST(SedSplitter, TurnsACommandLineIntoArguments)
{
    struct split_case {
        std::string text;
        Words words;
    };
    const std::vector<split_case> cases = {
        {"-n -e \"s/a b/c/\" x", {"-n", "-e", "s/a b/c/", "x"}},
        {"a   b", {"a", "b"}},
        {"  -n  p  ", {"-n", "p"}},
        {"-e \"\" x", {"-e", "", "x"}},
        {"\"\"", {""}},
        {"say \\\"hi\\\"", {"say", "\"hi\""}},
        {"\"a \\\" b\"", {"a \" b"}},
        {"-e \"/x/{p;}\" {y}", {"-e", "/x/{p;}", "{y}"}},
        {"\"" + std::string(60, ' ') + "\"", {std::string(60, ' ')}},
        {"\"a b\" \"c d e\"", {"a b", "c d e"}},
        {"", {}},
        {"   ", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(core::split_sed_command_line(c.text), c.words);
    }
}

TEST(SedCommand, EntryPoints)
{
    hevtools::sed::recording_error_sink sink;
    hevtools::sed::memory_file_opener files;

    auto from_text = core::sed_command::from_command_line("-n -e \"s/a b/X/p\"");
    from_text.set_engine_options(quiet(sink, files));
    EXPECT_EQ(from_text.arguments(), (Words {"sed", "-n", "-e", "s/a b/X/p"}));
    EXPECT_EQ(from_text.run_on_text("a b\nc\n"), "X\n");

    core::sed_command broken({"sed", "-e", "s/a/"});
    broken.set_engine_options(quiet(sink, files));
    EXPECT_EQ(broken.run_on_text("a\n"), "");
    auto status = broken.run_on_text_with_status("a\n");
    EXPECT_EQ(status.status, 2);
    EXPECT_EQ(sink.messages.back(), "sed: garbled command s/a/");

    core::sed_command stream_address({"sed", "-s", "140737488355328"});
    stream_address.set_engine_options(quiet(sink, files));
    EXPECT_EQ(stream_address.run_on_text_with_status("a\n").status, 1);
    EXPECT_EQ(sink.messages.back(), "sed: unknown flag s");

    core::sed_command set;
    set.set_engine_options(quiet(sink, files));
    set.set_arguments({"", "-n", "", "-e", "p", ""});
    EXPECT_EQ(set.arguments(), (Words {"sed", "-n", "-e", "p"}));
    EXPECT_EQ(set.run_on_text("a\n"), "a\n");

    core::sed_command empty;
    empty.set_engine_options(quiet(sink, files));
    EXPECT_EQ(empty.run_on_text_with_status("a\n").status, 1);
    EXPECT_EQ(sink.messages.back(), "usage: sed [-n] [-g] [-e cmds] [-f cmdfile] files");

    std::istringstream in("one\ntwo\n");
    std::ostringstream out;
    core::sed_command streams({"sed", "-n", "2p"});
    EXPECT_EQ(streams.run(in, out), 0);
    EXPECT_EQ(out.str(), "two\n");

    std::istringstream again("one\n");
    std::ostream unwritable(nullptr);
    streams.set_engine_options(quiet(sink, files));
    EXPECT_EQ(streams.run(again, unwritable), 2);
    EXPECT_EQ(sink.messages.back(), "sed: cannot write stdout");
}

TEST(SedCommand, AnEngineRunDirectlyCopiesItsInputAndFinishesClean)
{
    std::istringstream in("a\nb");
    std::ostringstream out;
    hevtools::sed_engine engine;
    engine.set_output_stream(&out);
    engine.execute(&in, "stdin");
    engine.finish();
    EXPECT_EQ(out.str(), "a\nb");
    EXPECT_EQ(engine.output_stream(), &out);
}

TEST(SedCommand, ScriptCommandsRunTheirScriptAgainAndAgain)
{
    hevtools::sed::recording_error_sink sink;
    hevtools::sed::memory_file_opener files;
    core::sed_script_command command("-n", "s/a/b/\r\n/b/p\r\n");
    command.set_engine_options(quiet(sink, files));
    EXPECT_EQ(command.run_on_text("a\nc\n"), "b\n");
    EXPECT_EQ(command.run_on_text("xa\n"), "xb\n");
    std::ostringstream script;
    command.write_script(script);
    EXPECT_EQ(script.str(), "s/a/b/\r\n/b/p\r\n");
    EXPECT_TRUE(sink.messages.empty());
}

TEST(SedCommand, RemovesCarriageReturnsBeforeLineEnds)
{
    struct cr_case {
        std::string in, out;
    };
    for (const auto& c : std::vector<cr_case> {
             {"a\r\nb\r\n", "a\nb\n"}, {"a\r\r\n", "a\r\n"}, {"a\rb\r", "a\rb\r"}, {"", ""}, {"\r\n", "\n"}}) {
        std::string buffer = c.in;
        std::size_t length = core::remove_carriage_returns(buffer.data(), buffer.size());
        EXPECT_EQ(buffer.substr(0, length), c.out);
    }
    EXPECT_EQ(core::remove_carriage_returns(nullptr, 5), 0u);
}

TEST(SedCommand, CommandsOnEightThreadsShareNothing)
{
    std::vector<std::string> results(8);
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([t, &results] {
            hevtools::sed::recording_error_sink sink;
            hevtools::sed::memory_file_opener files;
            core::sed_script_command command("-n", "s/x/" + std::to_string(t) + "/g;w out\nh;G;p");
            command.set_engine_options(quiet(sink, files));
            std::string input;
            for (int i = 0; i < 2000; ++i)
                input += "x-" + std::to_string(i) + "\n";
            std::string all;
            for (int round = 0; round < 5; ++round)
                all += command.run_on_text(input);
            results[static_cast<std::size_t>(t)] = all + "|" + files.files["out"];
        });
    }
    for (auto& thread : threads)
        thread.join();
    for (int t = 0; t < 8; ++t) {
        std::string expected_line = std::to_string(t) + "-7\n" + std::to_string(t) + "-7\n";
        EXPECT_NE(results[static_cast<std::size_t>(t)].find(expected_line), std::string::npos);
        EXPECT_EQ(results[static_cast<std::size_t>(t)].find(std::to_string((t + 1) % 8) + "-7"), std::string::npos);
    }
}

// ---- the program's own scripts ----

std::string form_data_to_multipart(const std::string& form, const std::string& boundary)
{
    std::string script = "s/\\&\\([^\\&=]*\\)=\\([^\\&]*\\)/\r\\\n--" + boundary
        + "\r\\\nContent-Disposition: form-data; name=\"\\1\"\r\\\n\r\\\n\\2/g";
    core::sed_command command(
        {"hhsed", "-n", "-e", "s/^/\\&/", "-e", "s/\\&\\([^\\&=]*\\)\\([\\&$]\\)/\\&\\1=\\2/g", "-e", script, "-e", "p"});
    std::string out = command.run_on_text(form);
    if (out.empty())
        return out;
    return out.substr(2) + "\r\n";
}

std::string part(const std::string& boundary, const std::string& name, const std::string& value)
{
    return "--" + boundary + "\r\nContent-Disposition: form-data; name=\"" + name + "\"\r\n\r\n" + value + "\r\n";
}

TEST(SedSystemScripts, FormDataBecomesMultipartText)
{
    EXPECT_EQ(form_data_to_multipart("a=1&b=2", "B"), part("B", "a", "1") + part("B", "b", "2"));
    EXPECT_EQ(form_data_to_multipart("flag&x=1", "B"), part("B", "flag", "") + part("B", "x", "1"));
    EXPECT_EQ(form_data_to_multipart("x=1&flag", "B"), part("B", "x", "1&flag"));
    EXPECT_EQ(form_data_to_multipart("", "B"), "");
    // Values with UTF-8 bytes and digits stay as they are.
    EXPECT_EQ(form_data_to_multipart("n=\xc3\x80" "1\xe2\x82\xac", "B"), part("B", "n", "\xc3\x80" "1\xe2\x82\xac"));
    for (std::size_t size : {std::size_t(200) << 10, std::size_t(8) << 20}) {
        std::string value;
        while (value.size() < size)
            value += "%41b+c%0D%0A";
        std::string expected = part("B", "first", "1") + part("B", "big", value) + part("B", "last", "");
        EXPECT_EQ(form_data_to_multipart("first=1&big=" + value + "&last=", "B"), expected);
    }
}

TEST(SedSystemScripts, SetCookieHeadersBecomeCookieLines)
{
    std::string headers = "HTTP/1.1 200 OK\r\nSet-Cookie: id=5; path=/app\r\nSet-Cookie: t=1\r\n"
                          "Set-Cookie: s=2; Path =/\r\nContent-Type: text/html\r\n";
    std::size_t length = core::remove_carriage_returns(headers.data(), headers.size());
    headers.resize(length);
    auto command = core::sed_command::from_command_line(
        "-n -e \"/^Set-Cookie:/{s/^Set-Cookie: */Cookie: /;s/[Pp]ath *=/$Path=/p;}\"");
    EXPECT_EQ(command.run_on_text(headers), "Cookie: id=5; $Path=/app\nCookie: s=2; $Path=/\n");
    EXPECT_EQ(command.run_on_text("Set-Cookie: t=1\n"), "");
}

TEST(SedSystemScripts, JobNumberFromTheServiceReply)
{
    core::sed_command command({"sed", "-e", "s/JOB  *=  *\\([0-9]*\\)/!\\1!/;s/[^!]*!//;s/!.*//;"});
    auto job = [&](const std::string& reply) {
        std::string out = command.run_on_text(reply);
        std::erase(out, '\r');
        std::erase(out, '\n');
        return out;
    };
    EXPECT_EQ(job("226 Transfer complete. JOB = 4711\r\n"), "4711");
    EXPECT_EQ(job("226 Transfer complete.\r\n"), "226 Transfer complete.");
    EXPECT_EQ(job("JOB=4711"), "JOB=4711");
}

std::string replace_all(std::string text, const std::string& from, const std::string& to)
{
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

TEST(SedSystemScripts, AnchorsAreNormalised)
{
    const std::string guard = "~^@#$-^+_)(&*&*()*(*&))*&@#@^@`";
    auto normalise = [&](std::string text) {
        text = replace_all(text, "!", guard);
        text = replace_all(text, "\r\n", "_!!!_");
        text = replace_all(text, "\r", "_!!_");
        text = replace_all(text, "\n", "_!_");
        text = replace_all(text, "<", "\n!<");
        core::sed_command command({"sed", "-e", "s/<[Aa][!_ ][!_ ]*[Hh][Rr][Ee][Ff]/<a href/"});
        text = command.run_on_text(text);
        text = replace_all(text, "\n!<", "<");
        text = replace_all(text, "_!_", "\n");
        text = replace_all(text, "_!!_", "\r");
        text = replace_all(text, "_!!!_", "\r\n");
        return replace_all(text, guard, "!");
    };
    EXPECT_EQ(normalise("x <A\r\n   HREF=x>y</A>"), "x <a href=x>y</A>");
    EXPECT_EQ(normalise("<ABBR title=a> <AREA href=b>"), "<ABBR title=a> <AREA href=b>");
    EXPECT_EQ(normalise("Hi!\nthere\r\nyou\r<b>!</b>"), "Hi!\nthere\r\nyou\r<b>!</b>");
}

}

#include "core/errors/wizard_thrower.h"
#include "core/log/trace_log.h"
#include "platform/testing/fixed_clock.h"
#include "platform/testing/recording_sink.h"
#include "platform/testing/scripted_prompt.h"

#include <gtest/gtest.h>
#include <thread>

using platform::com::com_error;
using platform::com::hresult;
using platform::ui::command_aborted;
using platform::prompts::IDOK;
using platform::prompts::MB_ICONEXCLAMATION;

TEST(ErrorCodes, MapToHresults)
{
    EXPECT_EQ(core::hresult_from_error_code(5), static_cast<hresult>(0x80070005));
    EXPECT_EQ(core::hresult_from_error_code(0x12345), static_cast<hresult>(0x80072345));
    EXPECT_EQ(core::hresult_from_error_code(static_cast<std::int32_t>(0x80070005)), static_cast<hresult>(0x80070005));
    EXPECT_EQ(core::hresult_from_error_code(0), platform::com::E_FAIL);
}

TEST(UiReporter, ShowsTheTextThenAbandonsTheCommandOrRaisesComError)
{
    platform::testing::scripted_prompt prompt;
    core::default_wizard_thrower reporter(prompt);

    prompt.expect("Assertion failed: \nbad state\nPlease see log file for details", MB_ICONEXCLAMATION, IDOK);
    EXPECT_THROW(reporter.assertion_failed("bad state"), command_aborted);

    prompt.expect("Thread synchronization error occured: \nlock lost\nPlease see log file for details",
        MB_ICONEXCLAMATION, IDOK);
    EXPECT_THROW(reporter.synch_failed(hevtools::thread_synch_error("lock lost", 1, 2, 3)), command_aborted);

    prompt.expect("Assertion failed: \nCreateFile failed\nPlease see log file for details", MB_ICONEXCLAMATION, IDOK);
    try {
        reporter.win32_failed(hevtools::win32api_error("CreateFile failed", 5));
        FAIL();
    } catch (const com_error& e) {
        EXPECT_EQ(e.code(), static_cast<hresult>(0x80070005));
    }
    prompt.expect("Assertion failed: \nnothing recorded\nPlease see log file for details", MB_ICONEXCLAMATION, IDOK);
    try {
        reporter.win32_failed(hevtools::win32api_error("nothing recorded", 0));
        FAIL();
    } catch (const com_error& e) {
        EXPECT_EQ(e.code(), platform::com::E_FAIL);
    }

    try {
        reporter.hresult_failed(platform::com::E_UNEXPECTED);
        FAIL();
    } catch (const com_error& e) {
        EXPECT_EQ(e.code(), platform::com::E_UNEXPECTED);
    }
}

class WorkerReporter : public ::testing::Test {
protected:
    void SetUp() override { core::install_trace_logger(&logger); }
    void TearDown() override
    {
        core::trace_enabled = 0;
        core::install_trace_logger(nullptr);
    }
    platform::testing::fixed_clock clock;
    platform::testing::recording_sink sink;
    core::trace_logger logger {{"", &clock, &sink, [] { return std::optional<std::string>("Linux"); }}};
    core::nonmfc_thread_thrower& reporter = core::worker_thrower();
};

TEST_F(WorkerReporter, ThrowsWithoutPromptingAndTracesOnlyWhenOn)
{
    try {
        reporter.assertion_failed("quiet");
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "quiet");
    }
    EXPECT_TRUE(sink.texts().empty());

    core::trace_enabled = 1;
    try {
        reporter.win32_failed(hevtools::win32api_error("open \"x\" 100%s", 2));
        FAIL();
    } catch (const hevtools::win32api_error& e) {
        EXPECT_STREQ(e.what(), "open \"x\" 100%s");
        EXPECT_EQ(e.code(), 2);
    }
    EXPECT_EQ(core::thread_error_text(), "No such file or directory;{open \"x\" 100%s}");
    ASSERT_EQ(sink.texts().size(), 2u);
    EXPECT_EQ(sink.texts()[1], "12/10/26 14:03:05 No such file or directory;{open \"x\" 100%s}\n");

    try {
        reporter.hresult_failed(platform::com::E_FAIL);
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "FAILED(HRESULT) -- see log for details");
    }
    EXPECT_EQ(core::thread_error_text(), "Unspecified error");

    try {
        reporter.synch_failed(hevtools::thread_synch_error("wait failed", 0x102, 7, 1));
        FAIL();
    } catch (const hevtools::thread_synch_error& e) {
        EXPECT_STREQ(e.what(), "wait failed");
        EXPECT_EQ(e.outcome(), 0x102u);
        EXPECT_EQ(e.thread_id(), 7u);
        EXPECT_EQ(e.count(), 1u);
    }
}

TEST_F(WorkerReporter, CutsTheThreadTextAt4095Characters)
{
    EXPECT_THROW(reporter.win32_failed(hevtools::win32api_error(std::string(5000, 'w'), 2)), hevtools::win32api_error);
    EXPECT_EQ(core::thread_error_text().size(), 4095u);
    EXPECT_TRUE(core::thread_error_text().starts_with("No such file or directory;{www"));
}

TEST(ThreadReporters, OnlyTheUiThreadPromptsAndWorkersKeepTheirOwnText)
{
    platform::testing::scripted_prompt prompt;
    core::default_wizard_thrower ui(prompt);
    core::set_current_thrower(&ui);
    EXPECT_EQ(&core::current_thrower(), &ui);

    std::string texts[2];
    auto worker = [&](int index) {
        EXPECT_EQ(&core::current_thrower(), &core::worker_thrower());
        try {
            core::current_thrower().win32_failed(hevtools::win32api_error("worker " + std::to_string(index), 2));
        } catch (const hevtools::win32api_error&) {
            texts[index] = core::thread_error_text();
        }
    };
    std::thread first(worker, 0);
    std::thread second(worker, 1);
    first.join();
    second.join();
    core::set_current_thrower(nullptr);
    EXPECT_EQ(texts[0], "No such file or directory;{worker 0}");
    EXPECT_EQ(texts[1], "No such file or directory;{worker 1}");
}

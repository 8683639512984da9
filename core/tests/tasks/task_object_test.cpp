#include "core/tasks/task_object.h"
#include "core/util/messages.h"
#include "core/util/program_environment.h"
#include "platform/testing/recording_sink.h"
#include "platform/threads/thread_queue.h"

#include <future>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <vector>

using core::wait_result;
using platform::threads::WM_QUIT;
using platform::threads::WM_USER;

namespace {

// Runs a callable as its body; joins in its destructor as every task reading its members must.
class function_task : public hevtools::task_object {
public:
    explicit function_task(std::function<bool()> body) : body_(std::move(body)) { }
    ~function_task() override { join_thread(); }
    std::atomic<int> starts {0};

protected:
    bool svc() override { return body_(); }
    void on_thread_start() override { ++starts; }

private:
    std::function<bool()> body_;
};

class TaskObject : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto environment = core::current_program_environment();
        environment.debug_output = sink;
        core::install_program_environment(environment);
    }
    std::shared_ptr<platform::testing::recording_sink> sink = std::make_shared<platform::testing::recording_sink>();
};

}

TEST_F(TaskObject, NothingRunsBeforeStartAndStartTwiceRunsOneThread)
{
    std::atomic<int> calls {0};
    function_task task([&] { return ++calls < 3; });
    EXPECT_EQ(task.starts, 0);
    EXPECT_EQ(task.suspend_count(), -1);
    EXPECT_NE(task.thread_id(), 0u);
    EXPECT_EQ(core::wait_for(task, 0), wait_result::failed);

    EXPECT_TRUE(task.start());
    EXPECT_TRUE(task.start());
    EXPECT_EQ(core::wait_for(task, core::infinite_timeout), wait_result::signalled);
    EXPECT_EQ(task.starts, 1);
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(task.thread_id(), 0u);
    EXPECT_EQ(task.suspend_count(), -1);
    EXPECT_TRUE(task.start());
    EXPECT_EQ(task.starts, 1);
}

TEST_F(TaskObject, AnEscapingExceptionIsWrittenOutEndsTheThreadAndWakesWaiters)
{
    struct row {
        std::function<bool()> body;
        std::vector<std::string> written;
    } rows[] = {
        {[]() -> bool { throw std::runtime_error("disk gone"); }, {"runtime_error ", "disk gone", "\n"}},
        {[]() -> bool { throw std::logic_error("bad state"); }, {"logic_error ", "bad state", "\n"}},
        {[]() -> bool { throw 42; }, {"untyped exception\n"}},
    };
    for (auto& r : rows) {
        sink = std::make_shared<platform::testing::recording_sink>();
        SetUp();
        function_task task(r.body);
        auto id = task.thread_id();
        ASSERT_TRUE(task.start());
        EXPECT_EQ(core::wait_for(task, core::infinite_timeout), wait_result::signalled);
        EXPECT_EQ(sink->texts(), r.written);
        // on_thread_exit was skipped: the running values stay.
        EXPECT_EQ(task.thread_id(), id);
        EXPECT_EQ(task.suspend_count(), 1);
        EXPECT_FALSE(platform::threads::post_thread_message(id, WM_USER, 0, 0));
    }
}

TEST_F(TaskObject, DestroyingARunningTaskWaitsForItsBodyToEnd)
{
    // Told from the thread, into the test's own storage, which outlives the task.
    struct observed_task : function_task {
        using function_task::function_task;
        ~observed_task() override { join_thread(); }
        std::atomic<bool>* exited = nullptr;
        void on_thread_exit() override
        {
            function_task::on_thread_exit();
            *exited = true;
        }
    };
    std::atomic<bool> stop {false};
    std::atomic<bool> exited {false};
    std::atomic<int> calls_after_stop {0};
    std::promise<void> running;
    auto task = std::make_unique<observed_task>([&, first = true]() mutable {
        if (first)
            running.set_value();
        first = false;
        if (stop.load()) {
            ++calls_after_stop;
            return false;
        }
        return true;
    });
    task->exited = &exited;
    ASSERT_TRUE(task->start());
    running.get_future().wait();
    stop = true;
    task.reset();
    // The destructor returned only after the body saw the stop once and the thread ended.
    EXPECT_EQ(calls_after_stop.load(), 1);
    EXPECT_TRUE(exited.load());
}

TEST_F(TaskObject, ATaskHoldingItsLastReferenceMayEndItselfOnItsThread)
{
    struct self_owned : hevtools::task_object {
        std::shared_ptr<self_owned> self;
        std::promise<void>* destroyed = nullptr;
        ~self_owned() override
        {
            join_thread();
            destroyed->set_value();
        }
        bool svc() override
        {
            auto last = std::move(self);
            last.reset();
            return false;
        }
    };
    std::promise<void> destroyed;
    auto task = std::make_shared<self_owned>();
    task->destroyed = &destroyed;
    task->self = task;
    ASSERT_TRUE(task->start());
    task.reset();
    destroyed.get_future().wait();
}

TEST_F(TaskObject, PeekQuitMessageTakesOnlyTheQuitAndLeavesTheRestInOrder)
{
    bool quit = false;
    std::vector<std::uint32_t> left;
    function_task task([&] {
        quit = core::PeekQuitMessage();
        while (auto next = platform::threads::peek(0, 0, true))
            left.push_back(next->id);
        return false;
    });
    ASSERT_TRUE(platform::threads::post_thread_message(task.thread_id(), WM_USER + 101, 0, 0));
    ASSERT_TRUE(platform::threads::post_thread_message(task.thread_id(), WM_QUIT, 0, 0));
    ASSERT_TRUE(platform::threads::post_thread_message(task.thread_id(), WM_USER + 102, 0, 0));
    ASSERT_TRUE(task.start());
    ASSERT_EQ(core::wait_for(task, core::infinite_timeout), wait_result::signalled);
    EXPECT_TRUE(quit);
    EXPECT_EQ(left, (std::vector<std::uint32_t> {WM_USER + 101, WM_USER + 102}));
}

TEST_F(TaskObject, AQuitPostedJustAfterStartIsSeen)
{
    int steps = 0;
    function_task task([&] {
        ++steps;
        if (core::PeekQuitMessage())
            return false;
        platform::threads::wait(core::infinite_timeout);
        return true;
    });
    ASSERT_TRUE(task.start());
    ASSERT_TRUE(platform::threads::post_thread_message(task.thread_id(), WM_QUIT, 0, 0));
    EXPECT_EQ(core::wait_for(task, core::infinite_timeout), wait_result::signalled);
    EXPECT_GE(steps, 1);
}

#include "core/tasks/durable_operation.h"

#include <gtest/gtest.h>

using hevtools::operation_ref;

namespace {

// Records what the operation side asks and refuses steps of one kind.
class watching_manager : public hevtools::null_operation_manager {
public:
    int progress_questions = 0;
    bool answer = true;
    std::int32_t refused_kind = -100;

    bool report_progress(hevtools::operation_step&) override
    {
        ++progress_questions;
        return answer;
    }
    bool enter_step(hevtools::operation_step& step) override
    {
        if (step.kind() == refused_kind)
            return false;
        return null_operation_manager::enter_step(step);
    }
};

}

TEST(DurableOperation, ProgressOfMinusOneKeepsTheValueButStillAsks)
{
    watching_manager manager;
    auto step = manager.begin_step(1, "upload", nullptr);
    struct row {
        std::int32_t percent;
        bool answer;
        std::int32_t stored;
    } rows[] = {{40, true, 40}, {-1, true, 40}, {-1, false, 40}, {100, false, 100}};
    int asked = 0;
    for (const auto& r : rows) {
        manager.answer = r.answer;
        EXPECT_EQ(step->report_progress(r.percent), r.answer);
        EXPECT_EQ(step->progress(), r.stored);
        EXPECT_EQ(manager.progress_questions, ++asked);
    }
}

TEST(DurableOperation, NestedStepsRestoreTheCurrentOneInReverse)
{
    watching_manager manager;
    manager.refused_kind = 9;
    EXPECT_EQ(manager.current_step(), nullptr);
    auto outer = manager.begin_step(1, "job", nullptr);
    EXPECT_TRUE(outer->started());
    auto inner = manager.begin_step(2, "file", outer);
    EXPECT_EQ(manager.current_step(), inner.get());
    {
        auto refused = manager.begin_step(9, "skipped", manager.current_step() ? inner : nullptr);
        EXPECT_FALSE(refused->started());
        EXPECT_EQ(manager.current_step(), inner.get());
    }
    EXPECT_EQ(manager.current_step(), inner.get());
    inner.reset();
    EXPECT_EQ(manager.current_step(), outer.get());
    outer.reset();
    EXPECT_EQ(manager.current_step(), nullptr);
}

TEST(DurableOperation, AParentReleasedFirstEndsAfterItsChild)
{
    hevtools::null_operation_manager manager;
    EXPECT_EQ(manager.make_observer(), nullptr);
    auto parent = manager.begin_step(1, "job", nullptr);
    auto child = manager.begin_step(2, "file", parent);
    auto* parent_step = parent.get();
    parent.reset();
    EXPECT_EQ(manager.current_step(), child.get());
    EXPECT_EQ(child->parent(), parent_step);
    EXPECT_EQ(child->parent()->name(), "job");
    child.reset();
    EXPECT_EQ(manager.current_step(), nullptr);
}

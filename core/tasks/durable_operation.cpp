#include "core/tasks/durable_operation.h"

#include <cassert>

namespace hevtools {

operation_step::operation_step(std::int32_t kind, std::string name, durable_operation_manager& manager,
    std::shared_ptr<operation_step> parent)
    : kind_(kind), name_(std::move(name)), manager_(manager), parent_(std::move(parent))
{
    ++manager_.live_steps_;
}

operation_step::~operation_step()
{
    manager_.leave_step(*this);
    name_.clear();
    status_text.clear();
    --manager_.live_steps_;
}

bool operation_step::report_progress(std::int32_t percent)
{
    if (percent != -1)
        progress_ = percent;
    return manager_.report_progress(*this);
}

durable_operation_manager::~durable_operation_manager()
{
    assert(live_steps_ == 0 && "a durable operation manager ended before its steps");
}

operation_ref durable_operation_manager::begin_step(std::int32_t kind, std::string name, operation_ref parent)
{
    auto step = std::make_shared<operation_step>(kind, std::move(name), *this, std::move(parent));
    step->started_ = enter_step(*step);
    return step;
}

bool durable_operation_manager::report_progress(operation_step&)
{
    return true;
}

void durable_operation_manager::signal(std::int32_t) { }

bool durable_operation_manager::enter_step(operation_step& step)
{
    current_ = &step;
    return true;
}

void durable_operation_manager::leave_step(operation_step& step)
{
    if (step.started())
        current_ = step.parent();
}

}

#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace hevtools {

class durable_operation_manager;

// One step of a long operation, shared by its holders; when the last one lets go the step
// ends (operation_step_end): the manager is told and the texts are emptied. A step keeps
// its parent alive, so a parent released first ends after its children.
class operation_step {
public:
    operation_step(std::int32_t kind, std::string name, durable_operation_manager& manager,
        std::shared_ptr<operation_step> parent);
    ~operation_step();
    operation_step(const operation_step&) = delete;
    operation_step& operator=(const operation_step&) = delete;

    // operation_step_report_progress: stores the percent unless it is -1, then asks the
    // manager whether to go on.
    bool report_progress(std::int32_t percent);

    std::int32_t kind() const { return kind_; }
    const std::string& name() const { return name_; }
    durable_operation_manager& manager() const { return manager_; }
    operation_step* parent() const { return parent_.get(); }
    bool started() const { return started_; }
    std::int32_t progress() const { return progress_.load(); }

    std::uint32_t value = 0;
    std::string status_text;

private:
    friend class durable_operation_manager;

    std::int32_t kind_;
    std::string name_;
    durable_operation_manager& manager_;
    std::shared_ptr<operation_step> parent_;
    bool started_ = false;
    std::atomic<std::int32_t> progress_ {0};
};

using operation_ref = std::shared_ptr<operation_step>;

// The operation side's view of whoever watches a long operation. The current step may be
// read from another thread (a dialog's busy test) while the worker changes it. A manager
// outlives every step it made.
class durable_operation_manager {
public:
    durable_operation_manager() = default;
    virtual ~durable_operation_manager();
    durable_operation_manager(const durable_operation_manager&) = delete;
    durable_operation_manager& operator=(const durable_operation_manager&) = delete;

    // Makes a step, tells enter_step and keeps its answer as the step's `started`.
    virtual operation_ref begin_step(std::int32_t kind, std::string name, operation_ref parent);
    // A manager that watches on this one's behalf from another thread; null for none.
    virtual std::unique_ptr<durable_operation_manager> make_observer() = 0;
    // True: go on.
    virtual bool report_progress(operation_step& step);
    virtual void signal(std::int32_t value);
    // Makes the step the current one; true.
    virtual bool enter_step(operation_step& step);
    // When the step had been entered, its parent becomes the current one.
    virtual void leave_step(operation_step& step);

    operation_step* current_step() const { return current_.load(); }

protected:
    void set_current_step(operation_step* step) { current_.store(step); }

private:
    friend class operation_step;

    std::atomic<operation_step*> current_ {nullptr};
    std::atomic<int> live_steps_ {0};
};

// For operations nobody watches: never refuses, shows nothing.
class null_operation_manager : public durable_operation_manager {
public:
    std::unique_ptr<durable_operation_manager> make_observer() override { return nullptr; }
};

}

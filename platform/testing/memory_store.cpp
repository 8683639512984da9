#include "platform/testing/memory_store.h"

namespace platform::testing {

using registry::status;

void memory_store::fail_next_writes(int count)
{
    std::lock_guard guard(mutex_);
    failing_writes_ = count;
}

void memory_store::fail_writes_under(std::string key)
{
    std::lock_guard guard(mutex_);
    failing_key_ = std::move(key);
}

void memory_store::set_unusable_reason(std::string reason)
{
    std::lock_guard guard(mutex_);
    unusable_reason_ = std::move(reason);
}

std::string memory_store::unusable_reason()
{
    std::lock_guard guard(mutex_);
    return unusable_reason_;
}

registry::registry_tree memory_store::snapshot()
{
    std::lock_guard guard(mutex_);
    return tree_;
}

status memory_store::inspect(const std::function<void(const registry::registry_tree&)>& look)
{
    std::lock_guard guard(mutex_);
    look(tree_);
    return status::ok;
}

status memory_store::change(const std::function<status(registry::registry_tree&)>& edit)
{
    std::lock_guard guard(mutex_);
    if (failing_writes_ > 0) {
        --failing_writes_;
        return status::io_error;
    }
    auto edited = tree_;
    auto code = edit(edited);
    if (code != status::ok)
        return code;
    if (failing_key_ && !edited.same_subtree(tree_, *failing_key_))
        return status::io_error;
    tree_ = std::move(edited);
    return status::ok;
}

}

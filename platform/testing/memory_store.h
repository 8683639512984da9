#pragma once

#include "platform/registry/registry.h"

#include <mutex>
#include <optional>
#include <string>

namespace platform::testing {

// A registry store in memory, with failures on demand.
class memory_store final : public registry::store {
public:
    // The next `count` changes fail with io_error.
    void fail_next_writes(int count);
    // Changes that touch the key or anything below it fail with io_error.
    void fail_writes_under(std::string key);

    // Reports the store unusable for this reason, as a damaged file would.
    void set_unusable_reason(std::string reason);
    std::string unusable_reason() override;

    registry::registry_tree snapshot();

protected:
    registry::status inspect(const std::function<void(const registry::registry_tree&)>& look) override;
    registry::status change(const std::function<registry::status(registry::registry_tree&)>& edit) override;

private:
    std::mutex mutex_;
    registry::registry_tree tree_;
    int failing_writes_ = 0;
    std::optional<std::string> failing_key_;
    std::string unusable_reason_;
};

}

#pragma once

#include <string_view>

namespace platform::com {

// The registry of component classes: whether a programmatic id is registered.
class class_registry {
public:
    virtual ~class_registry() = default;
    virtual bool prog_id_registered(std::string_view prog_id) = 0;
};

// This platform has no class registry: nothing is registered.
class system_class_registry final : public class_registry {
public:
    bool prog_id_registered(std::string_view) override { return false; }
};

}

#pragma once

#include "platform/com/com_error.h"

namespace platform::com {

// The object-linking runtime's start and end. There is nothing to start on this platform;
// tests use a runtime that fails.
class ole_runtime {
public:
    virtual ~ole_runtime() = default;
    virtual hresult ole_initialize() = 0;
    virtual void ole_uninitialize() = 0;
};

class local_ole_runtime final : public ole_runtime {
public:
    hresult ole_initialize() override { return S_OK; }
    void ole_uninitialize() override { }
};

}

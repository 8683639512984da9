#pragma once

namespace platform::ras {

// The system's dial-up networking: whether its library and entry points are present.
class dialup_networking {
public:
    virtual ~dialup_networking() = default;
    virtual bool usable() = 0;
};

// Nothing dials through this platform yet.
class system_dialup_networking final : public dialup_networking {
public:
    bool usable() override { return false; }
};

}

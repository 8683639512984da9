#pragma once

namespace platform::mail {

// Loading and binding the local mail system's Simple MAPI library.
class mapi_binding {
public:
    virtual ~mapi_binding() = default;
    // True when the library and all its entry points are bound.
    virtual bool load_simple_mapi() = 0;
    // Clears what was bound; safe when nothing is.
    virtual void unload_simple_mapi() = 0;
    virtual bool is_simple_mapi_loaded() const = 0;
};

// No mail system can be bound until the mail transport exists: loading always fails.
class unbound_mapi_binding final : public mapi_binding {
public:
    bool load_simple_mapi() override { return false; }
    void unload_simple_mapi() override { }
    bool is_simple_mapi_loaded() const override { return false; }
};

}

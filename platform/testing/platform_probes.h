#pragma once

#include "platform/com/class_registry.h"
#include "platform/mail/address_books.h"
#include "platform/random/random_source.h"
#include "platform/testing/scripted_dialup.h"

#include <cstdint>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace platform::testing {

// Dial-up networking that is usable when the test says so.
using switchable_dialup = scripted_dialup;

// Address books that open for the provider numbers a test gives; tries are recorded.
class given_address_books final : public mail::address_books {
public:
    std::set<int> opening;
    std::vector<int> tried;
    bool opens(int provider) override
    {
        tried.push_back(provider);
        return opening.count(provider) != 0;
    }
};

// A class registry holding the programmatic ids a test gives.
class given_class_registry final : public com::class_registry {
public:
    std::set<std::string, std::less<>> registered;
    bool prog_id_registered(std::string_view prog_id) override { return registered.find(prog_id) != registered.end(); }
};

// Plays the bytes a test scripted, in order, then starts again; an empty script fails.
class scripted_random final : public random::random_source {
public:
    explicit scripted_random(std::vector<std::uint8_t> bytes = {}) : bytes_(std::move(bytes)) { }
    void script(std::vector<std::uint8_t> bytes)
    {
        bytes_ = std::move(bytes);
        next_ = 0;
    }
    std::uint8_t next_byte() override
    {
        if (bytes_.empty())
            throw std::logic_error("scripted_random: no bytes scripted");
        std::uint8_t byte = bytes_[next_];
        next_ = (next_ + 1) % bytes_.size();
        return byte;
    }

private:
    std::vector<std::uint8_t> bytes_;
    std::size_t next_ = 0;
};

}

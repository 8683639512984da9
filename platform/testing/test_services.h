#pragma once

#include "platform/services.h"
#include "platform/testing/fixed_clock.h"
#include "platform/testing/memory_store.h"
#include "platform/testing/recording_mapi.h"
#include "platform/testing/recording_sink.h"
#include "platform/testing/scripted_prompt.h"
#include "platform/testing/temporary_folder.h"

namespace platform::testing {

// Services over a fresh temporary tree: in-memory registry, recording debug sink, fixed
// clock, scripted prompt, recording mail binding and the real string table.
struct test_services {
    test_services();

    temporary_folder root;
    platform::services services;

    memory_store& registry() { return static_cast<memory_store&>(*services.registry); }
    recording_sink& debug_output() { return static_cast<recording_sink&>(*services.debug_output); }
    fixed_clock& clock() { return static_cast<fixed_clock&>(*services.clock); }
    scripted_prompt& prompt() { return static_cast<scripted_prompt&>(*services.prompt); }
    recording_mapi& mail() { return static_cast<recording_mapi&>(*services.mail); }
};

// The staged resources folder of the build tree.
std::string share_folder();

}

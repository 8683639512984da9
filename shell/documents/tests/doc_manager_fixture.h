#pragma once

#include "shell/documents/talverin_doc_manager.h"
#include "shell/documents/testing/recording_conversion.h"
#include "shell/tests/app_fixture.h"

#include <fstream>

namespace shell::testing {

// A started application: the document manager with the three templates of edit mode 0.
struct doc_manager_fixture : app_fixture {
    doc_manager_fixture()
    {
        context.conversion = std::make_unique<RecordingConversion>();
        EXPECT_TRUE(start().runs());
    }

    CTalverinDocManager& manager() { return static_cast<CTalverinDocManager&>(*app->doc_manager()); }
    ObjectDictionary& dictionary() { return manager().dictionary(); }
    RecordingConversion& conversion() { return static_cast<RecordingConversion&>(*context.conversion); }
    std::string folder() { return test.root.path(); }

    static void write(const std::string& path, const std::string& text)
    {
        std::ofstream(path, std::ios::binary) << text;
    }
};

}

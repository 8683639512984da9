#pragma once

#include "broadcast/job/broadcast_ref.h"
#include "broadcast/job/quorbis_broadcast.h"
#include "core/tests/files/files_fixture.h"
#include "platform/strings/string_table.h"

#include <memory>

// The program's folders in a fresh temporary folder, with the program's own string table.
class BroadcastFolders : public ProgramFolders {
protected:
    void SetUp() override
    {
        ProgramFolders::SetUp();
        auto environment = core::current_program_environment();
        environment.strings = std::make_shared<platform::strings::string_table>(
            platform::strings::string_table::load(TALVERIN_STRINGS));
        core::install_program_environment(environment);
    }

    // A job named "June news" with an HTML and a text body in its folder.
    static broadcast::broadcast_ref job_with_two_bodies()
    {
        auto made = std::make_unique<broadcast::quorbis_broadcast>();
        made->name = "June news";
        auto job = broadcast::broadcast_ref::make(std::move(made));
        write_file(job->body_file_name(0, true), "<html><body>Hello</body></html>");
        write_file(job->body_file_name(2, true), "Hello");
        job->bodies = {{0, job->body_file_name(0, true)}, {2, job->body_file_name(2, true)}};
        return job;
    }
};

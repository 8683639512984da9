#include "../../tests/program_folders.h"
#include "broadcast/ftp/job_number.h"

#include <gtest/gtest.h>

namespace broadcast {
namespace {

class JobNumber : public BroadcastFolders { };

TEST_F(JobNumber, TheFirstLineWithAJobNumberGivesItsDigits)
{
    struct row {
        const char* reply;
        const char* number;
    };
    const row rows[] = {
        {"226 Transfer complete. JOB = 4711", "4711"},
        {"226 Transfer complete. JOB   =   4711 more", "4711"},
        {"226-Thanks.\r\n JOB = 4711\r\n226 Done.", "4711"},
        {"226 ok! JOB = 12", "12"},
        {"226 ok JOB = 12 !!", "12"},
        {"226 ok '\x01Jok 'JOB = 1\x01\x0f = ", "1"},
        {"226-JOB = 1\r\n226 JOB = 2", "1"},
        {"226 JOB = x\r\n226 JOB = 5", "5"},
        {"226 JOB = JOB = 7", "7"},
        // Not recognised: the reply comes whole, without line breaks.
        {"226 Transfer complete. JOB=4711", "226 Transfer complete. JOB=4711"},
        {"226 JOB = x", "226 JOB = x"},
        {"552-Problems:\r\n no command.txt\r\n552 end", "552-Problems: no command.txt552 end"},
        {"226 ok!", "226 ok!"},
        {"", ""},
    };
    for (const auto& r : rows)
        EXPECT_EQ(job_number_from_reply(r.reply), r.number) << r.reply;
}

TEST_F(JobNumber, TheResultTextNamesTheOutcomeAndTheNumber)
{
    EXPECT_EQ(make_result_text(true, "226 Transfer complete. JOB = 4711"),
        "Broadcasting completed successfully, \r\nJob Number 4711 (Please make a note of it)");
    EXPECT_EQ(make_result_text(false, "552 Not a package"),
        "Broadcasting failed or interrupted by user, \r\nJob Number 552 Not a package (Please make a note of it)");
}

}
}

#include "broadcast/job/broadcast_ref.h"
#include "broadcast/job/quorbis_broadcast.h"
#include "broadcast/package/package_error.h"
#include "program_folders.h"
#include "platform/testing/file_contents.h"

#include <atomic>
#include <sys/stat.h>
#include <thread>
#include <vector>

using broadcast::broadcast_ref;
using broadcast::quorbis_broadcast;

class BroadcastJob : public BroadcastFolders { };

TEST_F(BroadcastJob, NamesBodiesByKindInBothFolders)
{
    quorbis_broadcast job;
    struct row {
        int kind;
        const char* name;
        const char* form_name;
    } rows[] = {
        {0, "body.htm", "Message_Body.htm"},
        {1, "bodylite.htm", "Message_Body-AOL.htm"},
        {2, "body.txt", "Message_Body.txt"},
        {3, "", ""},
        {-1, "", ""},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(job.body_file_name(r.kind, false), r.name) << r.kind;
        EXPECT_EQ(quorbis_broadcast::form_body_file_name(r.kind), r.form_name) << r.kind;
    }
    EXPECT_EQ(job.body_file_name(2, true), job.temp_folder() + "/body.txt");
}

TEST_F(BroadcastJob, ListsHoldEachPathOnce)
{
    quorbis_broadcast job;
    EXPECT_TRUE(job.add_push_file("/m/a.pdf"));
    EXPECT_FALSE(job.add_push_file("/m/a.pdf"));
    EXPECT_TRUE(job.add_push_file("/m/A.pdf"));
    EXPECT_TRUE(job.add_pull_file({"/m/logo.gif", 1, 0}));
    EXPECT_FALSE(job.add_pull_file({"/m/logo.gif", 0, 1}));
    EXPECT_TRUE(job.add_local_list("/l/list.csv"));
    EXPECT_FALSE(job.add_local_list("/l/list.csv"));
    EXPECT_EQ(job.push_files(), (std::vector<std::string> {"/m/a.pdf", "/m/A.pdf"}));
    ASSERT_EQ(job.pull_files().size(), 1u);
    EXPECT_EQ(job.pull_files()[0].autopull, 1);
    EXPECT_EQ(job.local_lists().size(), 1u);
}

TEST_F(BroadcastJob, SendFriendIsFoundInAnyBody)
{
    quorbis_broadcast job;
    EXPECT_FALSE(job.IsUseSendFriendStatment());
    platform::testing::write_file(job.body_file_name(0, true), "<p>(qb_sendafriend</p>");
    platform::testing::write_file(job.body_file_name(2, true), "tell a friend: (qb_sendafriend)");
    job.bodies[0] = job.body_file_name(0, true);
    EXPECT_FALSE(job.IsUseSendFriendStatment());
    job.bodies[2] = job.body_file_name(2, true);
    EXPECT_TRUE(job.IsUseSendFriendStatment());
    platform::testing::write_file(job.body_file_name(2, true), "(QB_SENDAFRIEND)");
    EXPECT_FALSE(job.IsUseSendFriendStatment());
}

TEST_F(BroadcastJob, EndingRemovesTheFolderWithSubfoldersButNoLinkedFiles)
{
    platform::testing::write_file(root.file("outside/keep.txt"), "keep");
    std::string folder;
    {
        quorbis_broadcast job;
        folder = job.temp_folder();
        EXPECT_EQ(folder.rfind(root.file("tmp"), 0), 0u) << folder;
        platform::testing::write_file(folder + "/body.htm", "x");
        platform::testing::write_file(folder + "/Push_Files/a.pdf", "y");
        ASSERT_EQ(::symlink(root.file("outside").c_str(), (folder + "/link").c_str()), 0);
    }
    EXPECT_FALSE(present(folder));
    EXPECT_EQ(platform::testing::read_file(root.file("outside/keep.txt")), "keep");
}

TEST_F(BroadcastJob, TwoJobsGetTwoFolders)
{
    quorbis_broadcast a;
    quorbis_broadcast b;
    EXPECT_NE(a.temp_folder(), b.temp_folder());
}

TEST_F(BroadcastJob, GreetingsPagesAreMadeOnceFromTheStringTable)
{
    auto pull = broadcast::form_greetings_file(false);
    auto push = broadcast::form_greetings_file(true);
    EXPECT_EQ(pull, root.file("data/html_form_pull.greetings"));
    EXPECT_EQ(push, root.file("data/html_form_push.greetings"));
    auto pull_page = platform::testing::read_file(pull);
    auto push_page = platform::testing::read_file(push);
    EXPECT_NE(pull_page.find("<title>Quorbis Survey Activator</title>"), std::string::npos);
    EXPECT_NE(pull_page.find("in a browser window.<br>If you do not see"), std::string::npos) << pull_page;
    EXPECT_NE(pull_page.find("[pull name=@@REDIRECTORER_NAME@@]"), std::string::npos);
    EXPECT_NE(push_page.find("open the attached file.<br>"), std::string::npos) << push_page;
    EXPECT_EQ(push_page.find("[pull name="), std::string::npos);

    platform::testing::write_file(pull, "edited by the user");
    EXPECT_EQ(broadcast::form_greetings_file(false), pull);
    EXPECT_EQ(platform::testing::read_file(pull), "edited by the user");
}

TEST_F(BroadcastJob, AGreetingsPageThatCannotBeWrittenIsReported)
{
    // A file where the data folder should be: nothing can be made in it, whatever our rights.
    ::rmdir(root.file("data").c_str());
    platform::testing::write_file(root.file("data"), "not a folder");
    EXPECT_THROW(broadcast::form_greetings_file(false), std::runtime_error);
    EXPECT_EQ(platform::testing::read_file(root.file("data")), "not a folder");
}

class BroadcastRef : public BroadcastFolders { };

TEST_F(BroadcastRef, CopiesCountAndTheLastReleaseRemovesTheJob)
{
    auto first = broadcast_ref::make(std::make_unique<quorbis_broadcast>());
    auto folder = first->temp_folder();
    EXPECT_EQ(first.use_count(), 1);
    {
        broadcast_ref second = first;
        EXPECT_EQ(first.use_count(), 2);
        broadcast_ref third = std::move(second);
        EXPECT_FALSE(second);
        EXPECT_EQ(third.use_count(), 2);
    }
    EXPECT_EQ(first.use_count(), 1);
    EXPECT_TRUE(present(folder));
    first.release();
    EXPECT_FALSE(first);
    EXPECT_FALSE(present(folder));
}

TEST_F(BroadcastRef, TheLastReleaseOnAnotherThreadRemovesTheFolder)
{
    auto job = broadcast_ref::make(std::make_unique<quorbis_broadcast>());
    auto folder = job->temp_folder();
    platform::testing::write_file(job->body_file_name(0, true), "body");
    std::thread worker([held = job]() mutable {
        held->stop_immediately_ = true;
        held.release();
    });
    job.release();
    worker.join();
    EXPECT_FALSE(present(folder));
}

TEST_F(BroadcastRef, ManyThreadsCopyingAndReleasingDestroyTheJobOnce)
{
    std::string folder;
    std::atomic<int> ready {0};
    {
        auto job = broadcast_ref::make(std::make_unique<quorbis_broadcast>());
        folder = job->temp_folder();
        std::vector<std::thread> threads;
        for (int t = 0; t < 8; ++t) {
            threads.emplace_back([job, &ready] {
                ++ready;
                while (ready.load() < 8) { }
                for (int i = 0; i < 2000; ++i) {
                    broadcast_ref copy = job;
                    ASSERT_GE(copy.use_count(), 2);
                }
            });
        }
        for (auto& thread : threads)
            thread.join();
        EXPECT_EQ(job.use_count(), 1);
        EXPECT_TRUE(present(folder));
    }
    EXPECT_FALSE(present(folder));
}

class AdoptFormFolders : public BroadcastFolders {
protected:
    // A greetings editor's results: three bodies naming the redirector, a push file and a
    // pull file whose names other files of the package have, and a subfolder.
    std::string write_greetings_results()
    {
        auto greetings = root.file("data/html_form_pull.greetings");
        platform::testing::write_file(greetings, "page");
        auto companion = root.file("data/html_form_pull_files");
        for (const char* name : {"Message_Body.htm", "Message_Body-AOL.htm", "Message_Body.txt"})
            platform::testing::write_file(companion + "/Message_Files/" + name,
                std::string(name) + " [pull name=@@REDIRECTORER_NAME@@] @@REDIRECTORER_NAME@@");
        platform::testing::write_file(companion + "/Push_Files/body.htm", "greetings attachment");
        platform::testing::write_file(companion + "/Push_Files/sub/inner.txt", "skipped");
        platform::testing::write_file(companion + "/Pull_Files/command.txt", "greetings pull file");
        return greetings;
    }
};

TEST_F(AdoptFormFolders, TakesBodiesAndFilesInOnceWithTheRedirectorNamed)
{
    auto greetings = write_greetings_results();
    EXPECT_EQ(broadcast::form_companion_folder(greetings), root.file("data/html_form_pull_files"));
    quorbis_broadcast job;
    job.is_form_ = true;
    job.redirector_name_ = "tfc00ab.redirector.html";
    platform::testing::write_file(job.body_file_name(0, true), "the form page");
    job.bodies[0] = job.body_file_name(0, true);
    job.adopt_form_folders(greetings);
    job.adopt_form_folders(greetings);

    for (int kind = 0; kind < 3; ++kind) {
        ASSERT_EQ(job.bodies.at(kind), job.body_file_name(kind, true));
        EXPECT_EQ(platform::testing::read_file(job.bodies.at(kind)),
            quorbis_broadcast::form_body_file_name(kind)
                + " [pull name=tfc00ab.redirector.html] tfc00ab.redirector.html");
    }
    ASSERT_EQ(job.push_files(), (std::vector<std::string> {job.temp_folder() + "/Push_Files/body.htm"}));
    EXPECT_EQ(platform::testing::read_file(job.push_files()[0]), "greetings attachment");
    ASSERT_EQ(job.pull_files().size(), 1u);
    EXPECT_EQ(job.pull_files()[0].path, job.temp_folder() + "/Pull_Files/command.txt");
    EXPECT_FALSE(job.stop_immediately_);
}

TEST_F(AdoptFormFolders, AnOrdinaryMessageAndMissingBodiesKeepTheJob)
{
    auto greetings = write_greetings_results();
    quorbis_broadcast message;
    message.adopt_form_folders(greetings);
    EXPECT_TRUE(message.bodies.empty());
    EXPECT_TRUE(message.push_files().empty());

    quorbis_broadcast form;
    form.is_form_ = true;
    form.bodies[2] = "/elsewhere/own.txt";
    ::unlink(root.file("data/html_form_pull_files/Message_Files/Message_Body.txt").c_str());
    form.adopt_form_folders(greetings);
    EXPECT_EQ(form.bodies.at(2), "/elsewhere/own.txt");
    EXPECT_EQ(form.bodies.size(), 3u);
}

TEST_F(AdoptFormFolders, AFileThatCannotBeCopiedStopsTheJobNamingIt)
{
    auto greetings = write_greetings_results();
    quorbis_broadcast job;
    job.is_form_ = true;
    // A file where the folder of the pull-file copies should be.
    platform::testing::write_file(job.temp_folder() + "/Pull_Files", "in the way");
    try {
        job.adopt_form_folders(greetings);
        ADD_FAILURE() << "adopted without its pull file";
    } catch (const broadcast::package_error& error) {
        EXPECT_NE(std::string(error.what()).find("Pull_Files/command.txt"), std::string::npos) << error.what();
    }
    EXPECT_TRUE(job.stop_immediately_);
    EXPECT_TRUE(job.pull_files().empty());
}

#include "shell/view/broadcast_command.h"

#include "broadcast/job/quorbis_broadcast.h"
#include "shell/documents/tests/message_document_fixture.h"

namespace shell::testing {
namespace {

struct recording_dispatcher final : broadcast::BroadcastDispatcher {
    void DispatchBroadcast(broadcast::broadcast_ref job) override { jobs.push_back(std::move(job)); }
    std::vector<broadcast::broadcast_ref> jobs;
};

struct broadcast_command : message_document_fixture {
    recording_dispatcher dispatcher;
    bool running = false;
    std::vector<bool> running_asked;

    void run()
    {
        on_broadcast(doc(), {context, manager(), dispatcher, [this](bool activate) {
                                 running_asked.push_back(activate);
                                 return running;
                             }});
    }
};

TEST(BroadcastCommand, SavesTheMessageAndHandsAJobOfItToTheDispatcher)
{
    broadcast_command f;
    ASSERT_TRUE(f.save_as("news.htm", "<html><body><p>Saved</p></body></html>"));
    f.view.page = "<html><body><p>Changed since</p></body></html>";
    f.doc().SetModifiedFlag(true);
    // Every broadcast asks where to save, in the dialog that also picks the bodies sent.
    f.host.expect_file_dialog({{}, {f.path("june.htm")}});
    f.run();
    ASSERT_EQ(f.dispatcher.jobs.size(), 1u);
    const auto& job = *f.dispatcher.jobs[0];
    EXPECT_EQ(job.name, "june");
    ASSERT_FALSE(job.bodies.empty());
    EXPECT_NE(read_file(job.bodies.at(0)).find("Changed since"), std::string::npos) << "the job holds what was saved";
    EXPECT_EQ(f.running_asked, std::vector<bool> {true});
    EXPECT_FALSE(f.doc().IsModified());
}

TEST(BroadcastCommand, ACancelledSaveOrARunningBroadcastSendsNothing)
{
    broadcast_command f;
    f.view.page = "<html><body><p>Never saved</p></body></html>";
    f.host.expect_file_dialog({}); // the Save As dialog, cancelled
    f.run();
    EXPECT_TRUE(f.dispatcher.jobs.empty());
    EXPECT_TRUE(f.running_asked.empty()) << "nothing after a cancelled save";

    f.running = true;
    f.host.expect_file_dialog({{}, {f.path("news.htm")}});
    f.run();
    EXPECT_TRUE(f.dispatcher.jobs.empty());
    EXPECT_EQ(f.running_asked, std::vector<bool> {true});
}

}
}

#pragma once

#include "broadcast/job/quorbis_broadcast.h"
#include "platform/clock/clock.h"
#include "platform/ui/dialog.h"

#include <functional>
#include <string>
#include <vector>

namespace broadcast {

// What the broadcast settings need from the program.
struct settings_services {
    platform::ui::UiHost& host;
    const platform::ui::DialogTemplates& dialogs;
    const platform::clock& clock;
    // Lets the user pick recipients from an address book into the additional-addresses
    // text; false when the user cancelled. Empty where no address book can be reached:
    // "T&o..." is then disabled.
    std::function<bool(std::string& addresses)> pick_recipients {};
};

// "Broadcast Job Submission Setup": recipients, subject, accounting, character set, pull-file
// security, scheduled delivery and reports of one broadcast. Keeps nothing between broadcasts.
class CBroadcastSettings : public platform::ui::Dialog {
public:
    static constexpr int template_id = 195;
    static constexpr int help_topic = 291;

    CBroadcastSettings(settings_services& services, quorbis_broadcast& job);

    bool OnInitDialog() override;
    void DoDataExchange(platform::ui::DataExchange& exchange) override;
    void OnOK() override;
    void OnCommand(int control, int code) override;

    // Checks the passwords and the delivery time and saves the controls; false keeps the
    // dialog open with the focus on the field concerned.
    bool ValidateSubmission();

    std::string additional_addresses;
    int charset_index = 0;
    std::string subject;
    std::string billing_code;
    std::string customer_reference;
    int pull_security_index = 0;
    int pull_password = 0;
    std::string master_password;
    platform::ui::calendar_time start_date;
    platform::ui::calendar_time start_time;
    int future_delivery = 0;
    int completion_report_index = 2;
    int posting_report = 1;
    std::string pull_expiration_days;
    int send_friend_report_index = 0;
    std::vector<std::string> remote_lists;
    std::vector<std::string> local_lists;

private:
    void UpdateSubmitButton();
    void OnAddLocalList();
    void OnAddRemoteList();
    void RemoveSelectedLists(int list);
    void OnTo();
    // Adds the entry unless the list holds it already.
    void add_list_entry(int list, const std::string& entry);

    settings_services& services_;
    quorbis_broadcast& job_;
};

// Runs the settings for the job and, on OK, writes them into it: the lists replaced, the
// addresses appended, the other values assigned. Any other end throws
// platform::ui::command_aborted, the job unchanged.
void RunBroadcastSettings(settings_services& services, quorbis_broadcast& job);

}

#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace broadcast {

struct form_preparation;

// Body kinds of a job.
inline constexpr int html_body = 0;
inline constexpr int lite_body = 1;
inline constexpr int text_body = 2;

// A file that recipients fetch on demand.
struct pull_file_record {
    std::string path;
    int autopull = 0;
    int password_needed = 0;
};

// One message being broadcast: its bodies, files, recipients and the options the command
// file carries, with a private working folder made with the job and removed, with all it
// holds, when the job ends. Jobs are shared between threads only through broadcast_ref.
class quorbis_broadcast {
public:
    // Makes the working folder; throws std::runtime_error when it cannot be made.
    quorbis_broadcast();
    virtual ~quorbis_broadcast();
    quorbis_broadcast(const quorbis_broadcast&) = delete;
    quorbis_broadcast& operator=(const quorbis_broadcast&) = delete;

    std::string name;
    std::vector<std::string> remote_lists;
    std::string subject;
    std::vector<std::string> additional_addresses;
    std::string charset;
    std::map<int, std::string> bodies;
    std::string customer_reference;
    std::string billing_code;
    std::string pull_expiration_days;
    bool pull_security_secure = false;
    bool pull_password_needed = false;
    std::string master_password;
    bool future_delivery = false;
    std::int64_t future_delivery_time = 0;
    std::string posting_report;
    std::string completion_report;
    std::string send_friend_report;

    // Set when form preparation is cancelled or fails; only ever goes from false to true,
    // and any thread may read it.
    std::atomic<bool> stop_immediately_ {false};
    bool is_form_ = false;
    bool send_form_as_attachment_ = false;
    std::string redirector_name_;

    // The file lists hold each path once: adding a path already there does nothing and
    // gives false.
    bool add_local_list(const std::string& path);
    bool add_push_file(const std::string& path);
    bool add_pull_file(const pull_file_record& record);
    // The local lists become these, each path once.
    void replace_local_lists(std::vector<std::string> paths);
    // Marks whether the pull file at `index` needs the password; an index out of range changes nothing.
    void set_pull_password_needed(std::size_t index, int needed);
    const std::vector<std::string>& local_lists() const { return local_lists_; }
    const std::vector<std::string>& push_files() const { return push_files_; }
    const std::vector<pull_file_record>& pull_files() const { return pull_files_; }

    const std::string& temp_folder() const { return temp_folder_; }
    // "body.htm", "bodylite.htm", "body.txt" for kinds 0-2, else empty; with_folder puts
    // the working folder in front.
    std::string body_file_name(int kind, bool with_folder) const;
    // The body's name in a form's "Message_Files" folder, empty for other kinds.
    static std::string form_body_file_name(int kind);

    // True when a body file holds "(qb_sendafriend)".
    bool IsUseSendFriendStatment() const;

    // Prepares a web form once per broadcast (a second call does nothing): when the active
    // view makes a form, the user chooses how it travels; as an attachment or a pull file
    // the form page is copied as the redirector and the greetings editor is run to make
    // the greetings bodies sent in its place. Cancelling, or an editor that does not start,
    // fails, or leaves a greetings body missing, stops the job.
    void PreprocessForm(const form_preparation& preparation);

    // For a form (is_form_): takes the greetings editor's results from the companion folder
    // of the greetings file into the job: the plain files of its "Pull_Files" and
    // "Push_Files" as copies in those subfolders of the working folder, added to the pull
    // and push files, and each greetings body of "Message_Files" in place of the body of
    // its kind, "@@REDIRECTORER_NAME@@" replaced by the redirector name. A file that cannot
    // be copied or a folder that cannot be read stops the job and throws package_error
    // naming it.
    void adopt_form_folders(const std::string& greetings_file);

private:
    void adopt_greetings_results(const std::string& companion);
    // Copies the HTML body as the page the greetings link to, and the form page as the
    // attachment named so (attachment) or the redirector as a pull file; the redirector's
    // full path. Throws std::runtime_error naming a copy that failed.
    std::string make_redirector(const std::string& attachment_name);
    void run_greetings_editor(const form_preparation& preparation, const std::string& redirector);

    bool form_prepared_ = false;

    std::vector<std::string> local_lists_;
    std::vector<std::string> push_files_;
    std::vector<pull_file_record> pull_files_;
    std::string temp_folder_;
};

// The folder beside a greetings file that holds what the greetings editor writes:
// "html_form_pull.greetings" has "html_form_pull_files".
std::string form_companion_folder(const std::string& greetings_file);

// True when the greetings editor left all three greetings bodies in the companion folder's
// "Message_Files".
bool form_bodies_ready(const std::string& greetings_file);

// The greetings page of a form sent as an attachment or as a pull file, in the data
// folder; made from the string table when missing. Throws std::runtime_error naming the
// file when it cannot be written.
std::string form_greetings_file(bool send_as_attachment);

}

#include "broadcast/job/form_preparation.h"
#include "broadcast/job/form_survey_greetings.h"
#include "broadcast/job/quorbis_broadcast.h"

#include "core/files/file_path.h"
#include "core/files/path_parts.h"
#include "core/log/trace_log.h"

#include <stdexcept>
#include <sys/stat.h>

namespace broadcast {

namespace {

std::string greetings_body(const std::string& greetings_file, int kind)
{
    return core::path_combine(core::path_combine(form_companion_folder(greetings_file), "Message_Files"),
        quorbis_broadcast::form_body_file_name(kind));
}

// A file made in a subfolder of the working folder, so that it never meets a body's name.
std::string copy_into_subfolder(const std::string& source, const std::string& folder, const std::string& name,
    const char* what)
{
    auto failed = [&] {
        return std::runtime_error(std::string("Cannot copy the form page \"") + source + "\" as the " + what);
    };
    if (!core::file_path(folder).create_folder())
        throw failed();
    auto target = name.empty() ? core::temp_file_path_init_in_folder(folder, "", "redirector.html", false).path()
                               : core::path_combine(folder, name);
    if (!core::file_path(source).copy_to(target, true))
        throw failed();
    return target;
}

}

bool form_bodies_ready(const std::string& greetings_file)
{
    for (int kind = html_body; kind <= text_body; ++kind) {
        struct stat info {};
        auto body = greetings_body(greetings_file, kind);
        if (::stat(body.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
            return false;
    }
    return true;
}

std::string quorbis_broadcast::make_redirector(const std::string& attachment_name)
{
    auto page = bodies.find(html_body);
    if (page == bodies.end())
        throw std::runtime_error("The form has no HTML body to send");
    auto redirector = copy_into_subfolder(page->second, core::path_combine(temp_folder_, "Redirector"), "",
        "redirector");
    redirector_name_ = core::file_path(redirector).file_name(true);
    if (send_form_as_attachment_)
        add_push_file(copy_into_subfolder(page->second, core::path_combine(temp_folder_, "Form_Attachment"),
            attachment_name, "attachment"));
    else
        add_pull_file({redirector, 0, 0});
    return redirector;
}

void quorbis_broadcast::run_greetings_editor(const form_preparation& preparation, const std::string& redirector)
{
    if (preparation.program.empty() || preparation.program.front() != '/')
        throw std::runtime_error("The greetings editor \"" + preparation.program + "\" is not named by an absolute path");
    auto greetings = form_greetings_file(send_form_as_attachment_);
    // An earlier run's bodies must not pass for this run's.
    for (int kind = html_body; kind <= text_body; ++kind) {
        core::file_path body(greetings_body(greetings, kind));
        if (body.exists() && !body.remove())
            throw std::runtime_error("Cannot remove the earlier greetings body " + body.path());
    }
    auto arguments = preparation.greetings_arguments(greetings, redirector, send_form_as_attachment_);
    std::string command_line = preparation.program;
    for (const auto& argument : arguments)
        command_line += " \"" + argument + "\"";
    TRACE_LOG("quorbis_broadcast::PreprocessForm() -- lpCommandLine: = %s\n", command_line.c_str());
    auto result = preparation.run_child(preparation.program, arguments);
    if (!result.started)
        throw std::runtime_error("The greetings editor could not be started: " + result.error);
    if (result.exit_code != 0)
        throw std::runtime_error("The greetings editor ended with status " + std::to_string(result.exit_code));
    if (!form_bodies_ready(greetings))
        throw std::runtime_error("The greetings editor left a greetings body missing");
}

void quorbis_broadcast::PreprocessForm(const form_preparation& preparation)
{
    TRACE_LOG("quorbis_broadcast::PreprocessForm() -- start\n");
    if (form_prepared_) {
        TRACE_LOG("quorbis_broadcast::PreprocessForm() -- return, prepared already\n");
        return;
    }
    form_prepared_ = true;
    is_form_ = preparation.form_creation_mode;
    send_form_as_attachment_ = false;
    TRACE_LOG("quorbis_broadcast::PreprocessForm() -- IsFormCreationMode(): = %d\n", is_form_ ? 1 : 0);
    if (is_form_) {
        FormSurveyGreetings options(preparation.dialogs, preparation.host);
        if (options.DoModal() != platform::ui::IDOK) {
            stop_immediately_ = true;
        } else if (options.choice_ == 0) {
            is_form_ = false;
        } else {
            send_form_as_attachment_ = options.choice_ == 1;
            try {
                run_greetings_editor(preparation, make_redirector(options.attachment_name_));
            } catch (const std::exception& failure) {
                TRACE_LOG("quorbis_broadcast::PreprocessForm() -- %s\n", failure.what());
                stop_immediately_ = true;
            }
        }
    }
    TRACE_LOG("quorbis_broadcast::PreprocessForm() -- return, stop_immediately_: = %d, send_form_as_attachment_: = %d, "
              "is_form_: = %d\n",
        stop_immediately_ ? 1 : 0, send_form_as_attachment_ ? 1 : 0, is_form_ ? 1 : 0);
}

}

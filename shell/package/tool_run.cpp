#include "shell/package/tool_run.h"

#include "shell/package/job_package_error.h"

namespace shell {

void run_package_tool(core::console_tool& tool, const std::string& what)
{
    int code = tool.console_tool_exit_code();
    if (code == 0)
        return;
    std::string detail = !tool.error_text().empty() ? tool.error_text() : tool.output();
    while (!detail.empty() && (detail.back() == '\n' || detail.back() == '\r'))
        detail.pop_back();
    std::string text = "Cannot " + what;
    if (code != -1)
        text += " (exit code " + std::to_string(code) + ")";
    throw job_package_error(detail.empty() ? text : text + ": " + detail);
}

}

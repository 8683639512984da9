#pragma once

#include "broadcast/mime/mime_parts.h"
#include "platform/clock/utc_clock.h"

#include <string>
#include <vector>

namespace broadcast {

// One message of files on its way to the service, written base64-encoded into the HTTP
// request file or the mail message file. Each file is made "msgXXXXXX" (mode 0600: the
// request file holds the password) in the temporary folder; writing a new one deletes
// the earlier, and the message deletes the last when it goes. A failed write deletes
// what it had written and leaves its cause in last_error().
class CMIMEMsg {
public:
    CMIMEMsg(const platform::utc_clock& clock, std::string temporary_folder);
    virtual ~CMIMEMsg();
    CMIMEMsg(const CMIMEMsg&) = delete;
    CMIMEMsg& operator=(const CMIMEMsg&) = delete;

    int AddFile(const std::string& path);
    void SetFrom(std::string from) { from_ = std::move(from); }
    void SetTo(std::string to) { to_ = std::move(to); }
    bool GetFrom(std::string& from) const;
    bool GetTo(std::string& to) const;
    std::string GetTmpMessageFile() const { return m_strTmpMessageFile; }

    // 1 when written, 0 on failure.
    int CreateHTTPRequestFile(const mime::request_account& account);
    int CreateTmpMessageFile();

    const std::string& last_error() const { return last_error_; }

private:
    // Makes a fresh file and writes it; false, the file gone, on any failure.
    template <class Write>
    bool write_file(const char* scope, Write&& write);
    void delete_message_file();

    const platform::utc_clock& clock_;
    std::string temporary_folder_;
    std::string from_;
    std::string to_;
    std::vector<std::string> files_;
    std::string m_strTmpMessageFile;
    std::string last_error_;
};

}

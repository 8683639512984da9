#pragma once

#include "platform/inet/internet_session.h"

#include <memory>
#include <string_view>

namespace broadcast {

// The program's internet session: the user agent and access type given, no proxy of its
// own, no bypass list, no flags; status callbacks are not used.
class CWizardSession : public platform::inet::internet_session {
public:
    CWizardSession(std::shared_ptr<platform::inet::internet> layer, std::string_view agent, std::uint32_t access_type)
        : internet_session(std::move(layer), agent, access_type)
    {
    }
};

// A result code carried out of the steps of a request.
class CWizardException {
public:
    explicit CWizardException(int code = 0) : m_nErrorCode(code) { }
    int code() const { return m_nErrorCode; }

private:
    int m_nErrorCode;
};

[[noreturn]] inline void ThrowWizardException(int code) { throw CWizardException(code); }

}

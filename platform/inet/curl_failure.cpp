#include "platform/inet/curl_failure.h"

#include "platform/inet/inet_constants.h"

#include <cerrno>

namespace platform::inet {

namespace {

// Verification results of an expired or not yet valid certificate.
constexpr long cert_not_yet_valid = 9;
constexpr long cert_has_expired = 10;

struct phrase {
    std::uint32_t error;
    const char* text;
};

phrase phrase_for(CURLcode code, long verify_result, long os_errno)
{
    switch (code) {
    case CURLE_COULDNT_CONNECT:
        return {error_internet_cannot_connect, "The connection to the server was refused"};
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return {error_internet_name_not_resolved, "The server name could not be resolved"};
    case CURLE_URL_MALFORMAT:
        return {error_internet_invalid_url, "The URL is invalid"};
    case CURLE_OPERATION_TIMEDOUT:
        return {error_internet_timeout, "The operation timed out"};
    case CURLE_ABORTED_BY_CALLBACK:
        return {error_internet_operation_cancelled, "The operation was cancelled"};
    case CURLE_GOT_NOTHING:
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_UNSUPPORTED_PROTOCOL: // a reply that is not HTTP
    case CURLE_BAD_CONTENT_ENCODING:
        return {error_http_invalid_server_response, "The server returned an invalid or unrecognized response"};
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_PARTIAL_FILE:
        if (os_errno == ECONNRESET || os_errno == EPIPE)
            return {error_internet_connection_reset, "The connection with the server was reset"};
        return {error_internet_connection_aborted, "The connection with the server was terminated abnormally"};
    case CURLE_SSL_CONNECT_ERROR:
        return {error_internet_security_channel_error, "The secure channel could not be established"};
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        if (verify_result == cert_not_yet_valid || verify_result == cert_has_expired)
            return {error_internet_sec_cert_date_invalid, "The server's certificate is not valid at this date"};
        return {error_internet_sec_invalid_cert, "The server's certificate is invalid"};
    case CURLE_TOO_MANY_REDIRECTS:
        return {error_http_redirect_failed, "The redirection failed"};
    case CURLE_LOGIN_DENIED:
        return {error_internet_login_failure, "The login was refused"};
    case CURLE_OUT_OF_MEMORY:
        return {error_not_enough_memory, "Not enough memory"};
    default:
        return {error_internet_internal_error, "The internet transfer failed"};
    }
}

}

transfer_failure describe_curl_failure(CURLcode code, long verify_result, long os_errno, const std::string& curl_text)
{
    auto found = phrase_for(code, verify_result, os_errno);
    std::string message = found.text;
    message += ": ";
    message += curl_text.empty() ? curl_easy_strerror(code) : curl_text;
    return {found.error, message};
}

}

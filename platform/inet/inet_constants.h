#pragma once

#include <cstdint>

// The numbers of the internet layer: error codes, flags, access types, query levels and
// scheme numbers, with the values callers written for the platform expect.
namespace platform::inet {

// Error numbers (per-thread last error).
inline constexpr std::uint32_t error_success = 0;
inline constexpr std::uint32_t error_invalid_handle = 6;
inline constexpr std::uint32_t error_not_enough_memory = 8;
inline constexpr std::uint32_t error_file_exists = 80;
inline constexpr std::uint32_t error_invalid_parameter = 87;
inline constexpr std::uint32_t error_insufficient_buffer = 122;
inline constexpr std::uint32_t error_mod_not_found = 126;
inline constexpr std::uint32_t error_proc_not_found = 127;
inline constexpr std::uint32_t error_cancelled = 1223;
inline constexpr std::uint32_t error_internet_out_of_handles = 12001;
inline constexpr std::uint32_t error_internet_timeout = 12002;
inline constexpr std::uint32_t error_internet_extended_error = 12003;
inline constexpr std::uint32_t error_internet_internal_error = 12004;
inline constexpr std::uint32_t error_internet_invalid_url = 12005;
inline constexpr std::uint32_t error_internet_unrecognized_scheme = 12006;
inline constexpr std::uint32_t error_internet_name_not_resolved = 12007;
inline constexpr std::uint32_t error_internet_incorrect_password = 12014;
inline constexpr std::uint32_t error_internet_login_failure = 12015;
inline constexpr std::uint32_t error_internet_operation_cancelled = 12017;
inline constexpr std::uint32_t error_internet_incorrect_handle_type = 12018;
inline constexpr std::uint32_t error_internet_incorrect_handle_state = 12019;
inline constexpr std::uint32_t error_internet_cannot_connect = 12029;
inline constexpr std::uint32_t error_internet_connection_aborted = 12030;
inline constexpr std::uint32_t error_internet_connection_reset = 12031;
inline constexpr std::uint32_t error_internet_force_retry = 12032;
inline constexpr std::uint32_t error_internet_sec_cert_date_invalid = 12037;
inline constexpr std::uint32_t error_internet_sec_invalid_cert = 12045;
inline constexpr std::uint32_t error_http_header_not_found = 12150;
inline constexpr std::uint32_t error_http_invalid_server_response = 12152;
inline constexpr std::uint32_t error_http_redirect_failed = 12156;
inline constexpr std::uint32_t error_internet_security_channel_error = 12157;

// Access types of a session.
inline constexpr std::uint32_t open_type_preconfig = 0; // the environment's proxy settings
inline constexpr std::uint32_t open_type_direct = 1;
inline constexpr std::uint32_t open_type_proxy = 3;

// Services of a connection.
inline constexpr std::uint32_t service_ftp = 1;
inline constexpr std::uint32_t service_http = 3;

inline constexpr std::uint16_t default_ftp_port = 21;
inline constexpr std::uint16_t default_http_port = 80;
inline constexpr std::uint16_t default_https_port = 443;
inline constexpr std::uint16_t invalid_port = 0; // the service's default port

// Request flags.
inline constexpr std::uint32_t flag_reload = 0x80000000;
inline constexpr std::uint32_t flag_no_cache_write = 0x04000000;
inline constexpr std::uint32_t flag_secure = 0x00800000;
inline constexpr std::uint32_t flag_no_auto_redirect = 0x00200000;
inline constexpr std::uint32_t flag_existing_connect = 0x20000000;
// Certificate-ignoring flags are accepted and change nothing: verification is always on.
inline constexpr std::uint32_t flag_ignore_cert_cn_invalid = 0x00001000;
inline constexpr std::uint32_t flag_ignore_cert_date_invalid = 0x00002000;

// Error dialog flags.
inline constexpr std::uint32_t error_ui_flags_generate_data = 0x04;
inline constexpr std::uint32_t error_ui_flags_change_options = 0x02;

// Query levels and modifiers.
inline constexpr std::uint32_t query_content_type = 1;
inline constexpr std::uint32_t query_content_length = 5;
inline constexpr std::uint32_t query_version = 18;
inline constexpr std::uint32_t query_status_code = 19;
inline constexpr std::uint32_t query_status_text = 20;
inline constexpr std::uint32_t query_raw_headers = 21;
inline constexpr std::uint32_t query_raw_headers_crlf = 22;
inline constexpr std::uint32_t query_location = 33;
inline constexpr std::uint32_t query_server = 37;
inline constexpr std::uint32_t query_request_method = 45;
inline constexpr std::uint32_t query_user_agent = 49;
inline constexpr std::uint32_t query_proxy_authenticate = 41;
inline constexpr std::uint32_t query_set_cookie = 43;
inline constexpr std::uint32_t query_custom = 65535;
inline constexpr std::uint32_t query_modifier_mask = 0xFFFF0000;
inline constexpr std::uint32_t query_flag_number = 0x20000000;
inline constexpr std::uint32_t query_flag_request_headers = 0x80000000;

// Scheme numbers of a cracked URL.
inline constexpr std::int32_t scheme_unknown = -1;
inline constexpr std::int32_t scheme_ftp = 1;
inline constexpr std::int32_t scheme_gopher = 2;
inline constexpr std::int32_t scheme_http = 3;
inline constexpr std::int32_t scheme_https = 4;

}

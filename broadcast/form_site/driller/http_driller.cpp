#include "broadcast/form_site/driller/http_driller.h"

#include "core/files/file_path.h"
#include "core/log/trace_log.h"
#include "platform/inet/inet_constants.h"
#include "platform/inet/last_error.h"

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <vector>

namespace broadcast::form_site {

namespace {

using namespace platform::inet;

constexpr std::size_t read_chunk = 16384;

std::string temp_name_in(const std::string& folder, const char* extension)
{
    return (std::filesystem::path(folder) / core::generate_temp_file_name(extension, "frm")).string();
}

std::string query_text(wininet_operations& wininet, const wininet_handle& request, DWORD level)
{
    std::string value(512, '\0');
    DWORD length = static_cast<DWORD>(value.size());
    if (wininet.queryInfo(request, level, value.data(), &length, nullptr)) {
        value.resize(length);
        return value;
    }
    if (last_error() != error_insufficient_buffer)
        return {};
    value.assign(length + 1, '\0');
    length = static_cast<DWORD>(value.size());
    if (!wininet.queryInfo(request, level, value.data(), &length, nullptr))
        return {};
    value.resize(length);
    return value;
}

std::uint32_t query_number(wininet_operations& wininet, const wininet_handle& request, DWORD level)
{
    DWORD number = 0;
    DWORD length = sizeof number;
    if (!wininet.queryInfo(request, level | query_flag_number, &number, &length, nullptr))
        return 0;
    return number;
}

void write_line(core::trace_scope& scope, const std::string& text)
{
    scope.write_text(text.c_str());
    scope.write_manipulator(std::endl);
}

}

std::string masked_form_data(const std::string& data)
{
    std::string out;
    std::size_t start = 0;
    while (start <= data.size()) {
        auto end = data.find('&', start);
        if (end == std::string::npos)
            end = data.size();
        std::string field = data.substr(start, end - start);
        auto equals = field.find('=');
        if (equals != std::string::npos && field.compare(0, equals, "password") == 0)
            field = field.substr(0, equals + 1) + "*****";
        if (start > 0)
            out += '&';
        out += field;
        start = end + 1;
    }
    return out;
}

// --- progress

std::uint64_t progress_source::amount(bool as_percent) const
{
    if (!as_percent)
        return moved_;
    if (ended_)
        return 100;
    if (total_ == 0)
        return 0;
    return static_cast<std::uint64_t>(static_cast<double>(std::min(moved_, total_)) * 100.0
        / static_cast<double>(total_));
}

bool progress_source::report(int phase)
{
    if (phase == progress_end)
        ended_ = true;
    return owner_ ? owner_->progress(phase, *this) : true;
}

// --- response content

wininet_response_content::wininet_response_content(wininet_operations& wininet, const wininet_handle* request,
    const std::string& folder, std::uint64_t announced_length, lengthy_procedure_manager* owner,
    core::log_stream_provider& log)
    : file_name_(temp_name_in(folder, "html"))
{
    core::trace_scope scope(log, "wininet_response_content::wininet_response_content");
    set_owner(owner);
    total_ = announced_length;
    std::ofstream file(file_name_, std::ios::binary | std::ios::trunc);
    if (!file) {
        write_line(scope, "the response file " + file_name_ + " cannot be written");
        return;
    }
    if (!request) {
        file << "<html><body>Request did not require downloading of the page content.</body></html>\n";
        ok_ = static_cast<bool>(file);
        return;
    }
    report(progress_begin);
    response_filter filter;
    std::vector<char> buffer(read_chunk);
    std::string filtered;
    bool failed = false;
    for (;;) {
        DWORD available = 0;
        if (!wininet.queryDataAvailable(*request, &available, 0, 0)) {
            write_line(scope, "InternetQueryDataAvailable failed: " + last_response());
            failed = true;
            break;
        }
        if (available == 0)
            break;
        if (available > buffer.size())
            buffer.resize(std::min<std::size_t>(available, response_filter::default_limit + 1));
        DWORD read = 0;
        auto wanted = static_cast<DWORD>(std::min<std::size_t>(available, buffer.size()));
        if (!wininet.readFile(*request, buffer.data(), wanted, &read)) {
            write_line(scope, "InternetReadFile(" + std::to_string(wanted) + ") failed");
            failed = true;
            break;
        }
        if (read == 0)
            break;
        moved_ += read;
        if (!report(progress_chunk)) {
            write_line(scope, "the download was cancelled");
            failed = true;
            break;
        }
        filtered.clear();
        bool go_on = filter.feed(std::string_view(buffer.data(), read), filtered);
        file.write(filtered.data(), static_cast<std::streamsize>(filtered.size()));
        if (!go_on) {
            if (filter.html_end_seen()) {
                write_line(scope, "</html> encountered");
            } else {
                write_line(scope, "the page is longer than " + std::to_string(response_filter::default_limit)
                        + " bytes: the download ends");
                failed = true;
            }
            break;
        }
    }
    report(progress_end);
    file.close();
    ok_ = !failed && !file.fail();
}

wininet_response_content::~wininet_response_content()
{
    std::error_code error;
    std::filesystem::remove(file_name_, error);
}

std::string wininet_response_content::text() const
{
    std::ifstream file(file_name_, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// --- result

std::string http_driller_request_result::page_text() const
{
    if (!content || !content->ok())
        return {};
    return form_site::page_text(content->text());
}

void http_driller_request_result::write_to(core::trace_scope& scope) const
{
    std::ostringstream out;
    out << "\nhttp_driller_request_result {" << "\n\tUser Agent       =" << user_agent
        << "\n\tServer Name      =" << server << "\n\tRequest Method   =" << request_method
        << "\n\tContent Type     =" << content_type << "\n\tContent Length   =" << content_length
        << "\n\tStatus Code      =" << status_code << "\n\tRaw Headers      =" << raw_headers
        << "\n\tRequest Headers  =>>>>>" << request_headers_crlf << "<<<<<\n"
        << "\n\tResponse Headers =\n>>>>>\n" << raw_headers_crlf << "<<<<<"
        << "\n\tDownloaded Content is in file " << content_file_name() << "\n}";
    scope.write_text(out.str().c_str());
}

// --- driller

void http_driller::run(http_driller_client& client)
{
    core::trace_scope scope(log_, "http_driller::run");
    scope.write_text("( ");
    client.write_to(scope);
    scope.write_text(" )");
    scope.write_manipulator(std::endl);
    std::unique_ptr<http_driller_request_result> result;
    auto action = client.next_action(*this, nullptr);
    while (action) {
        scope.write_text("Client requested the following action: ");
        action->write_to(scope);
        scope.write_manipulator(std::endl);
        result.reset();
        auto* winapi = dynamic_cast<http_winapi_driller*>(this);
        if (winapi)
            result = action->execute(*winapi);
        if (!result) {
            scope.write_text("execution of the client action did not produce a result\n");
        } else {
            scope.write_text("execution of the action produced the following result:");
            result->write_to(scope);
            scope.write_manipulator(std::endl);
        }
        action.reset();
        action = client.next_action(*this, result.get());
    }
}

http_winapi_driller::http_winapi_driller(wininet_operations& wininet, driller_environment environment,
    std::string user_agent, core::log_stream_provider& log)
    : http_driller(log), wininet_(wininet), environment_(std::move(environment)), user_agent_(std::move(user_agent)),
      current_url_(environment_.libraries)
{
}

void http_winapi_driller::run(http_driller_client& client)
{
    reset(true);
    struct reset_at_end {
        http_winapi_driller& driller;
        ~reset_at_end() { driller.reset(true); }
    } at_end {*this};
    http_driller::run(client);
}

std::unique_ptr<http_driller_request_action> http_winapi_driller::make_action(const std::string& kind)
{
    if (kind == "file-upload")
        return std::make_unique<http_file_upload_action>(wininet_, environment_.libraries, environment_.random);
    return std::make_unique<http_driller_request_action>(wininet_, environment_.libraries);
}

bool http_winapi_driller::progress(int phase, progress_source& source)
{
    return receiver_ ? receiver_->progress(phase, source) : true;
}

wininet_handle http_winapi_driller::open_session()
{
    if (session_.empty()) {
        session_ = wininet_.open(user_agent_.c_str(), open_type_preconfig, nullptr, nullptr, 0);
        if (session_.empty())
            TRACE_LOG("Call to InternetOpen failed with the error code =%u", last_error());
    }
    return session_;
}

wininet_handle http_winapi_driller::open_connection(const std::string& host, std::uint16_t port)
{
    std::string arguments = host + ", " + std::to_string(port);
    core::trace_scope scope(trace_stream(), "http_winapi_driller::open", arguments.c_str());
    if (open_session().empty())
        return {};
    if (!connection_.empty() && host == host_ && port == port_)
        return connection_;
    reset(true);
    connection_ = wininet_.connect(session_, host.c_str(), port, nullptr, nullptr, service_http, 0, 0);
    if (connection_.empty()) {
        write_line(scope, "WinAPI call to InternetConnect failed with the following reason: "
                + std::to_string(last_error()));
        return {};
    }
    host_ = host;
    port_ = port;
    return connection_;
}

void http_winapi_driller::reset(bool keep_session)
{
    connection_ = wininet_handle();
    if (!keep_session)
        session_ = wininet_handle();
    current_url_ = wininet_url(environment_.libraries);
    host_.clear();
    port_ = 0;
}

std::unique_ptr<http_driller_request_result> http_winapi_driller::make_result(const wininet_handle& request)
{
    auto result = std::make_unique<http_driller_request_result>();
    result->content_type = query_text(wininet_, request, query_content_type);
    result->content_length = query_number(wininet_, request, query_content_length);
    result->location = query_text(wininet_, request, query_location);
    result->status_code = query_number(wininet_, request, query_status_code);
    result->raw_headers = query_text(wininet_, request, query_raw_headers);
    result->raw_headers_crlf = query_text(wininet_, request, query_raw_headers_crlf);
    result->server = query_text(wininet_, request, query_server);
    result->request_method = query_text(wininet_, request, query_request_method);
    result->request_headers_crlf = query_text(wininet_, request, query_raw_headers_crlf | query_flag_request_headers);
    result->user_agent = query_text(wininet_, request, query_user_agent | query_flag_request_headers);
    result->content = std::make_unique<wininet_response_content>(wininet_, &request, environment_.temp_folder,
        result->content_length, this, trace_stream());
    if (!result->content->ok())
        return nullptr;
    return result;
}

// --- request action

http_driller_request_action::http_driller_request_action(wininet_operations& wininet,
    const platform::library::library_table& libraries)
    : wininet_(wininet), target_(libraries), second_(libraries)
{
}

void http_driller_request_action::write_to(core::trace_scope& scope) const
{
    std::ostringstream out;
    out << "\nhttp_driller_request_action {" << "\n\tMethod          =" << method_ << "\n\tTarget  URL     =";
    target_.dump(out);
    out << "\n\tAdditional Headers:\n>>>>>\n" << headers_ << "<<<<<" << "\n\tForm Data:\t["
        << masked_form_data(form_data_) << "]\n}";
    scope.write_text(out.str().c_str());
}

void http_driller_request_action::set_method(int method)
{
    method_ = method;
    if (method == 1)
        add_header("Content-Type: application/x-www-form-urlencoded\n");
}

void http_driller_request_action::set_target_url(const std::string& url)
{
    target_ = url.c_str();
}

void http_driller_request_action::set_second_url(const std::string& url)
{
    second_ = url.c_str();
}

void http_driller_request_action::add_header(const std::string& header)
{
    headers_ += header;
}

void http_driller_request_action::add_form_data(const std::string& data)
{
    form_data_ += data;
}

std::uint32_t http_driller_request_action::open_flags() const
{
    return target_.kind() == 1 ? (flag_reload | flag_secure) : flag_reload;
}

std::unique_ptr<http_driller_request_result> http_driller_request_action::execute(http_winapi_driller& driller)
{
    core::trace_scope scope(driller.trace_stream(), "http_driller_request_action::execute");
    auto request = open(driller);
    if (request.empty()) {
        write_line(scope, "this->open() returned NULL, exiting;");
        return nullptr;
    }
    if (send(request, driller) == 0) {
        write_line(scope, "getting server's response");
        return driller.make_result(request);
    }
    write_line(scope, "this->send() returned NULL, displaying the error and exiting;");
    driller.handle_error(2, target_.text());
    return nullptr;
}

wininet_handle http_driller_request_action::open(http_winapi_driller& driller)
{
    core::trace_scope scope(driller.trace_stream(), "http_driller_request_action::open");
    write_line(scope, "form_data = [" + masked_form_data(form_data_) + "]");
    write_line(scope, "frmdata_len =" + std::to_string(form_data_.size()));
    if (!target_.host())
        return {};
    auto connection = driller.open_connection(*target_.host(), target_.port());
    if (connection.empty())
        return {};
    auto referrer = driller.current_url().text();
    auto path = target_.path().value_or("/");
    auto request = wininet_.openRequest(connection, method_ == 1 ? "POST" : "GET", path.c_str(), "HTTP/1.0",
        referrer.empty() ? nullptr : referrer.c_str(), nullptr, open_flags(), 0);
    if (request.empty()) {
        write_line(scope, "WinAPI call to HttpOpenRequest failed with the following reason: "
                + std::to_string(last_error()));
        return {};
    }
    driller.set_current_url(target_);
    return request;
}

int http_driller_request_action::send(const wininet_handle& request, http_winapi_driller& driller)
{
    core::trace_scope scope(driller.trace_stream(), "http_driller_request_action::send");
    write_line(scope, "req_headers = [" + headers_ + "]");
    write_line(scope, "header_len =" + std::to_string(headers_.size()));
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (wininet_.sendRequest(request, headers_.c_str(), static_cast<DWORD>(headers_.size()),
                form_data_.empty() ? nullptr : form_data_.data(), static_cast<DWORD>(form_data_.size())))
            return 0;
        write_line(scope, "WinAPI call to HttpSendRequest failed with the following reason: "
                + std::to_string(last_error()));
        if (attempt == 0) {
            driller.handle_error(2, last_response());
            write_line(scope, "driller.handle_error returns ERROR_INTERNET_FORCE_RETRY: making another attempt");
        }
    }
    return -1;
}

// --- upload

const std::string http_file_upload_action::multipart_header_template
    = "Content-Type: multipart/form-data; boundary=%s%sContent-Length: %ld%s";

http_file_upload_action::http_file_upload_action(wininet_operations& wininet,
    const platform::library::library_table& libraries, platform::random::random_source& random)
    : http_driller_request_action(wininet, libraries), boundary_(make_boundary(random)), form_part_(boundary_)
{
    method_ = 1;
}

void http_file_upload_action::add_header(const std::string& header)
{
    if (&header == &multipart_header_template) {
        headers_ += "Content-Type: multipart/form-data; boundary=" + boundary_ + "\r\nContent-Length: "
            + std::to_string(body_length()) + "\r\n";
        return;
    }
    http_driller_request_action::add_header(header);
}

void http_file_upload_action::add_form_data(const std::string& data)
{
    form_part_.append(data);
}

std::uint32_t http_file_upload_action::open_flags() const
{
    return http_driller_request_action::open_flags() | flag_no_cache_write;
}

int http_file_upload_action::add_file_part(const std::string& name, const std::string& path,
    const std::string& content_type)
{
    if (file_part_count_ >= max_file_parts)
        return -1;
    file_parts_[file_part_count_++] = std::make_unique<multipart_file_part>(boundary_, name, path, content_type);
    return 0;
}

std::uint64_t http_file_upload_action::body_length()
{
    std::uint64_t length = form_part_.size();
    for (std::size_t i = 0; i < file_part_count_; ++i)
        length += file_parts_[i]->size();
    return length + boundary_.size() + 6;
}

int http_file_upload_action::write_body(const std::string& path)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        return -1;
    if (!form_part_.write(out))
        return -1;
    for (std::size_t i = 0; i < file_part_count_; ++i) {
        if (!file_parts_[i]->write(out))
            return -1;
    }
    out << "--" << boundary_ << "--\r\n";
    out.close();
    return out.fail() ? -1 : 0;
}

int http_file_upload_action::send(const wininet_handle& request, http_winapi_driller& driller)
{
    core::trace_scope scope(driller.trace_stream(), "http_file_upload_action::send");
    add_header(multipart_header_template);
    auto body = temp_name_in(driller.environment().temp_folder, "tmp");
    struct remove_at_end {
        std::string path;
        ~remove_at_end()
        {
            std::error_code error;
            std::filesystem::remove(path, error);
        }
    } body_file {body};
    if (write_body(body) != 0) {
        write_line(scope, "the request body could not be written to " + body);
        return -1;
    }
    return upload(request, driller, body);
}

int http_file_upload_action::upload(const wininet_handle& request, http_winapi_driller& driller,
    const std::string& file)
{
    core::trace_scope scope(driller.trace_stream(), "http_file_upload_action::upload");
    std::error_code error;
    auto size = std::filesystem::file_size(file, error);
    std::ifstream in(file, std::ios::binary);
    if (error || !in || size > 0xFFFFFFFFu)
        return -1;
    internet_buffers buffers;
    buffers.header = headers_.c_str();
    buffers.headers_length = static_cast<DWORD>(headers_.size());
    buffers.headers_total = buffers.headers_length;
    buffers.buffer_total = static_cast<DWORD>(size);
    moved_ = 0;
    total_ = size;
    ended_ = false;
    set_owner(&driller);
    if (!report(progress_begin)) {
        write_line(scope, "the upload was cancelled before it began");
        return -1;
    }
    scope.write_text("Opening request bracket... ;  ");
    if (!wininet_.sendRequestEx(request, &buffers, nullptr, 0, 0)) {
        write_line(scope, "WinAPI call to HttpSendRequestEx failed with the following reason: "
                + std::to_string(last_error()));
        return -1;
    }
    std::vector<char> chunk(4096);
    while (moved_ < size) {
        in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        auto got = static_cast<std::size_t>(in.gcount());
        if (got == 0) {
            wininet_.endRequest(request, nullptr, 0, 0);
            return -1;
        }
        std::size_t at = 0;
        while (at < got) {
            DWORD written = 0;
            if (!wininet_.writeFile(request, chunk.data() + at, static_cast<DWORD>(got - at), &written)
                || written == 0) {
                write_line(scope, "WinAPI call to InternetWriteFile failed with the following reason: "
                        + std::to_string(last_error()));
                wininet_.endRequest(request, nullptr, 0, 0);
                return -1;
            }
            at += written;
            moved_ += written;
            write_line(scope, "InternetWriteFile sent a chunk of " + std::to_string(written) + " bytes");
            if (!report(progress_chunk)) {
                write_line(scope, "the upload was cancelled");
                return -1;
            }
        }
    }
    report(progress_end);
    scope.write_text("Closing request bracket... ;  ");
    if (!wininet_.endRequest(request, nullptr, 0, 0)) {
        write_line(scope, "WinAPI call to HttpEndRequest failed with the following reason: "
                + std::to_string(last_error()));
        return -1;
    }
    return 0;
}

}

"""HTTP(S) roles: the submission gateway, the form site, the form validator and the proxy.

Every port serves every role; a hold or silence blocks only its own connection (one thread each).
"""

import base64
import email
import email.policy
import html
import http.server
import re
import secrets
import select
import socket
import ssl
import threading
import time
import urllib.parse

from . import downloads, package, wire

MAX_BODY = 64 * 1024 * 1024
MAX_HEAD = 64 * 1024

SUBMIT_PATH = "/cgi-bin/submit"
VALIDATOR_PATH = "/cgi-bin/wizard_validation"
SITE_PATHS = ("/", "/cgi-bin/form_login", "/cgi-bin/welcome", "/cgi-bin/registration_screen",
              "/cgi-bin/form_validation")
SITE_AGENT = "Veltrane Wizard"
HIDDEN_FIELD = re.compile(r'<input\b[^>]*\bname="FormRegistrationWizard"[^>]*>\s*$', re.IGNORECASE)
REASONS = http.server.BaseHTTPRequestHandler.responses


class Tee:
    """The request's bytes as they come, for the record."""

    def __init__(self, stream):
        self.stream = stream
        self.captured = bytearray()
        self.capturing = True

    def readline(self, limit=-1):
        line = self.stream.readline(limit)
        if self.capturing:
            self.captured += line
        return line

    def read(self, size=-1):
        data = self.stream.read(size)
        if self.capturing:
            self.captured += data
        return data

    def take(self):
        data = bytes(self.captured)
        self.captured.clear()
        return data

    def __getattr__(self, name):
        return getattr(self.stream, name)


def reply_bytes(code, headers, body, keep_alive):
    reason = REASONS.get(code, ("Reply",))[0]
    lines = ["HTTP/1.1 %d %s" % (code, reason)]
    lines += ["%s: %s" % pair for pair in headers]
    lines.append("Content-Length: %d" % len(body))
    lines.append("Connection: %s" % ("keep-alive" if keep_alive else "close"))
    return ("\r\n".join(lines) + "\r\n\r\n").encode("latin-1") + body


def page(title, text):
    return ("<html><head><title>%s</title></head><body>%s</body></html>\n" % (title, text)).encode("latin-1")


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def setup(self):
        self.state = self.server.state
        self.connection_id = self.state.connection_id()
        self.broken = False
        context = self.server.tls_context
        if context is not None:
            fields = self.state.take("https")
            self.state.wait_gate("https", fields, "handshake")
            if fields.get("fault") in ("drop", "garbage"):
                wire.send_reply(self.request, b"", fields)
                self.broken = True
            else:
                try:
                    self.request.settimeout(30)
                    self.request = context.wrap_socket(self.request, server_side=True)
                    self.request.settimeout(None)
                except (ssl.SSLError, OSError) as error:
                    self.state.event("tls-failed", self.connection_id, error.__class__.__name__)
                    self.broken = True
        super().setup()
        self.tee = Tee(self.rfile)
        self.rfile = self.tee

    def handle(self):
        if not self.broken:
            super().handle()

    def finish(self):
        try:
            super().finish()
        except OSError:
            pass

    def log_message(self, format, *args):
        pass

    def handle_one_request(self):
        self.tee.take()
        self.tee.capturing = True
        super().handle_one_request()

    # --- reading

    def keep_alive(self):
        connection = (self.headers.get("Connection") or "").lower()
        if self.request_version == "HTTP/1.0":
            return connection == "keep-alive"
        return connection != "close"

    def read_body(self, fields):
        if (self.headers.get("Transfer-Encoding") or "").lower() == "chunked":
            return self.read_chunked()
        length = self.headers.get("Content-Length")
        if length is None:
            return b""
        try:
            size = int(length)
        except ValueError:
            raise BodyError(400, "bad Content-Length")
        if size < 0 or size > MAX_BODY:
            raise BodyError(413, "body larger than %d bytes" % MAX_BODY)
        if fields.get("fault") == "throttle":
            rate = max(10, int(fields.get("rate", "1024") or 1024))
            data = bytearray()
            while len(data) < size:
                chunk = self.rfile.read(min(rate // 10, size - len(data)))
                if not chunk:
                    break
                data += chunk
                time.sleep(0.1)
            return bytes(data)
        return self.rfile.read(size)

    def drain_body(self):
        """Sink mode: the body is read and dropped, whatever its length."""
        try:
            size = int(self.headers.get("Content-Length") or "0")
        except ValueError:
            raise BodyError(400, "bad Content-Length")
        while size > 0:
            chunk = self.rfile.read(min(size, 1 << 20))
            if not chunk:
                break
            size -= len(chunk)
        return b""

    def read_chunked(self):
        data = bytearray()
        while True:
            line = self.rfile.readline(1024)
            try:
                size = int(line.split(b";")[0].strip(), 16)
            except ValueError:
                raise BodyError(400, "bad chunk size")
            if size == 0:
                while self.rfile.readline(1024) not in (b"\r\n", b"\n", b""):
                    pass
                return bytes(data)
            if len(data) + size > MAX_BODY:
                raise BodyError(413, "body larger than %d bytes" % MAX_BODY)
            data += self.rfile.read(size)
            self.rfile.readline(1024)

    # --- sending

    def send(self, service, fields, code, headers, body, record=None):
        keep = self.keep_alive() and fields.get("fault") not in ("drop", "garbage")
        data = reply_bytes(code, headers, body, keep)
        self.state.wait_gate(service, fields, "reply")
        self.wfile.flush()
        sent, standing = wire.send_reply(self.connection, data, fields)
        if not (standing and keep):
            self.close_connection = True
        if record is not None:
            record.write("reply.bin", sent)

    # --- dispatch

    def do_GET(self):
        self.dispatch()

    def do_POST(self):
        self.dispatch()

    def do_HEAD(self):
        self.dispatch()

    def do_PUT(self):
        self.dispatch()

    def do_CONNECT(self):
        self.proxy()

    def dispatch(self):
        if self.path.startswith(("http://", "https://")):
            self.proxy()
            return
        path = urllib.parse.urlsplit(self.path).path
        if path == SUBMIT_PATH:
            self.serve("gateway", self.gateway)
        elif path == VALIDATOR_PATH:
            self.serve("validator", self.validator)
        elif path in SITE_PATHS:
            self.serve("form", self.form_site)
        elif path.startswith(downloads.PREFIX) and self.command in ("GET", "HEAD"):
            downloads.serve(self)
        else:
            self.tee.take()
            self.send("none", {}, 404, [("Content-Type", "text/html")], page("Not found", "Not found"))

    def serve(self, service, role):
        fields = self.state.take(service)
        head = self.tee.take()
        # The body is kept by the record, not twice: the tee only keeps heads.
        self.tee.capturing = False
        try:
            body = self.drain_body() if self.state.sink and service == "gateway" else self.read_body(fields)
        except BodyError as error:
            self.tee.take()
            self.close_connection = True
            self.send(service, {}, error.code, [("Content-Type", "text/plain")], error.text.encode())
            return
        self.tee.take()
        if self.state.sink and service == "gateway":
            code, headers, reply = role(fields, head, body, None)
            self.send(service, fields, code, headers, reply)
            return
        record = self.state.record(service, self.connection_id)
        record.write("request.txt", head)
        record.write("body.bin", body)
        fields_and_files = form_data_parts(self.headers.get("Content-Type") or "", body)
        if fields_and_files:
            record.members("fields", fields_and_files[0])
            record.members("files", fields_and_files[1])
        code, headers, reply = role(fields, head, body, record)
        self.send(service, fields, code, headers, reply, record)
        record.finish(code)

    # --- gateway

    def gateway(self, fields, head, body, record):
        if record is None:
            return 200, [("Content-Type", "text/xml")], gateway_xml(
                {"job": str(self.state.job_number())}, 0)
        problems, data, members = package.gateway_problems(
            self.command, self.request_version, self.headers, body, self.state.account, self.server.version)
        record.verdict(problems)
        if data:
            record.package(data, members)
        if "body" in fields:
            return int(fields.get("http", "200")), [("Content-Type", "text/xml")], fields["body"].encode(
                "utf-8", "surrogateescape")
        if "http" in fields and fields["http"] != "200":
            code = int(fields["http"])
            return code, [("Content-Type", "text/html")], page("Error", "Error %d" % code)
        status = int(fields.get("status", "0" if not problems else "1"))
        description = fields.get("description", "; ".join(problems))
        if "job" in fields:
            job = fields["job"]
        elif status == 0 and not problems and fields.get("missing") != "job":
            job = str(self.state.job_number())
        else:
            job = ""
        fields_out = {"job": job, "description": description, "lower": fields.get("lower"),
                      "missing": fields.get("missing", "")}
        reply = gateway_xml(fields_out, status)
        if "cut" in fields:
            reply = reply[:int(fields["cut"])]
        if "pad" in fields:
            reply += b" " * int(fields["pad"])
        return 200, [("Content-Type", "text/xml")], reply

    # --- form site

    def site_problems(self, needs_referer):
        problems = []
        if self.headers.get("User-Agent") != SITE_AGENT:
            problems.append("the User-Agent is %r, not %r" % (self.headers.get("User-Agent"), SITE_AGENT))
        if self.headers.get("Connection") != "Keep-Alive":
            problems.append("no Connection: Keep-Alive")
        if needs_referer and not self.headers.get("Referer"):
            problems.append("no Referer")
        return problems

    def session(self):
        for value in self.headers.get_all("Cookie") or []:
            match = re.search(r"\bsession=([0-9a-f]+)", value)
            if match and match.group(1) in self.server.sessions:
                return match.group(1)
        return None

    def form_site(self, fields, head, body, record):
        path = urllib.parse.urlsplit(self.path).path
        problems = self.site_problems(path != "/")
        html_type = [("Content-Type", "text/html")]
        reply = None
        if path == "/":
            reply = (200, html_type + [("Set-Cookie", "site=standin; path=/")],
                     page("Form Registration", '<form method="post" action="/cgi-bin/form_login">'
                          '<input name="userid"><input type="password" name="password"></form>'))
        elif path == "/cgi-bin/form_login":
            form = urllib.parse.parse_qs(body.decode("latin-1"), keep_blank_values=True)
            account = (form.get("userid", [None])[0], form.get("password", [None])[0])
            login = fields.get("login")
            if login == "unsuccessful" or (login is None and account != tuple(self.state.account)):
                problems.append("the login does not name the account")
                reply = (200, html_type, page("Login", "Login was unsuccessful"))
            elif login == "failed":
                reply = (200, html_type, page("Login", "LOGIN FAILED"))
            else:
                token = secrets.token_hex(8)
                self.server.sessions.add(token)
                location = "http://127.0.0.1:%d/cgi-bin/welcome" % self.server.server_address[1]
                reply = (302, html_type + [("Location", location),
                                           ("Set-Cookie", "session=%s; path=/" % token)], page("Moved", "Moved"))
        elif path == "/cgi-bin/welcome":
            reply = (200, html_type, page("Welcome", "Welcome"))
        elif self.session() is None:
            problems.append("no session cookie")
            reply = (403, html_type, page("Forbidden", "Please log in first"))
        elif path == "/cgi-bin/registration_screen":
            reply = (200, html_type, page("Register a form", "Submit your form"))
        else:
            reply = (200, html_type, outcome_page(fields.get("outcome", "")))
        if path == "/cgi-bin/form_validation" or path == "/cgi-bin/registration_screen":
            reply = scripted_page(fields, reply, self.server.state.ports.get("http2"), self.path)
        record.verdict(problems)
        return reply

    # --- validator

    def validator(self, fields, head, body, record):
        problems = validator_problems(self.headers.get("Content-Type") or "", body)
        record.verdict(problems)
        if "body" in fields:
            return int(fields.get("http", "200")), [("Content-Type", "text/html")], fields["body"].encode(
                "utf-8", "surrogateescape")
        if fields.get("http", "200") != "200":
            code = int(fields["http"])
            return code, [("Content-Type", "text/html")], page("Error", "Error %d" % code)
        code = fields.get("code", "0" if not problems else "-25")
        marker = {
            "nodigits": 'name="ReturnCode1">',
            "value": 'name="ReturnCode1" value="%s">' % code,
            "nomarker": "",
        }.get(fields.get("form", ""), 'name="ReturnCode1"%s>' % code)
        text = "<form><input type=\"hidden\" %s</form>" % marker if marker else "Form received"
        return 200, [("Content-Type", "text/html")], page("Validation", text)

    # --- proxy

    def proxy(self):
        fields = self.state.take("proxy")
        head = self.tee.take()
        record = None if self.state.sink else self.state.record("proxy", self.connection_id)
        if record:
            record.write("request.txt", head)
        if self.command == "CONNECT":
            host, _, port = self.path.rpartition(":")
            target_path = None
        else:
            parts = urllib.parse.urlsplit(self.path)
            host, port = parts.hostname or "", str(parts.port or (443 if parts.scheme == "https" else 80))
            target_path = urllib.parse.urlunsplit(("", "", parts.path or "/", parts.query, ""))
        own = {str(p) for p in self.state.ports.values()}
        html_type = [("Content-Type", "text/html")]
        refused = host.strip("[]") not in ("127.0.0.1", "localhost") or port not in own
        if target_path is not None and (refused or not self.proxy_authorised()):
            self.discard_body()
        if refused:
            self.finish_proxy(record, "refused %s:%s" % (host, port))
            self.send("proxy", fields, 403, html_type, page("Forbidden", "Forbidden"), record)
            return
        if not self.proxy_authorised():
            self.finish_proxy(record, "authentication required")
            self.send("proxy", fields, 407, html_type + [("Proxy-Authenticate", 'Basic realm="standin"')],
                      page("Proxy", "Proxy authentication required"), record)
            return
        if target_path is None:
            self.finish_proxy(record, "tunnel")
            self.tunnel(fields, record)
            return
        self.finish_proxy(record, "served")
        self.path = target_path
        self.dispatch()

    def discard_body(self):
        """Reads a refused request's body, so a kept connection starts at the next request."""
        try:
            self.read_body({})
        except BodyError:
            self.close_connection = True
        self.tee.take()

    def finish_proxy(self, record, verdict):
        if record:
            record.write("verdict.txt", verdict + "\n")
            record.finish(verdict.split()[0])

    def proxy_authorised(self):
        value = self.headers.get("Proxy-Authorization") or ""
        scheme, _, token = value.partition(" ")
        if scheme.lower() != "basic":
            return False
        try:
            user, _, password = base64.b64decode(token.strip(), validate=True).decode("utf-8").partition(":")
        except (ValueError, UnicodeDecodeError):
            return False
        return (user, password) == tuple(self.state.proxy_credentials)

    def tunnel(self, fields, record):
        self.state.wait_gate("proxy", fields, "reply")
        try:
            upstream = socket.create_connection(("127.0.0.1", self.state.ports["https"]))
        except OSError:
            self.send("proxy", {}, 502, [], b"")
            return
        self.wfile.write(b"HTTP/1.1 200 Connection established\r\n\r\n")
        self.wfile.flush()
        self.close_connection = True
        sockets = [self.connection, upstream]
        try:
            while True:
                readable, _, _ = select.select(sockets, [], [], 300)
                if not readable:
                    return
                for source in readable:
                    data = source.recv(65536)
                    if not data:
                        return
                    (upstream if source is self.connection else self.connection).sendall(data)
        except OSError:
            return
        finally:
            upstream.close()


class BodyError(Exception):
    def __init__(self, code, text):
        super().__init__(text)
        self.code = code
        self.text = text


def gateway_xml(fields, status):
    names = ["HTTP_REPLY", "STATUS_NUMBER", "JOB_NUMBER", "STATUS_DESCRIPTION"]
    if fields.get("lower"):
        names = [name.lower() for name in names]
    reply_tag, status_tag, job_tag, description_tag = names
    missing = fields.get("missing", "")
    inner = ""
    if missing != "status":
        inner += "<%s>%d</%s>" % (status_tag, status, status_tag)
    if status == 0:
        job = "" if missing == "job" else fields.get("job", "")
        inner += "<%s>%s</%s>" % (job_tag, job, job_tag)
    else:
        inner += "<%s>%s</%s>" % (description_tag, html.escape(fields.get("description", ""), quote=False),
                                  description_tag)
    if missing == "reply":
        return inner.encode("utf-8")
    return ("<%s>%s</%s>" % (reply_tag, inner, reply_tag)).encode("utf-8")


OUTCOMES = {
    "unsuccessful": "Form registration UNSUCCESSFUL",
    "server_error": "SERVER ERROR while registering the form",
    "warning": "WARNING: the form was registered",
}


def outcome_page(outcome):
    if outcome not in OUTCOMES:
        return page("Form registration", "Your form was registered successfully.")
    return ("<html><head><title>Outcome</title><script>var shown = 1;</script></head>\n<body>\n"
            "%s<BR>\n<TABLE><TR><TD>Reason</TD><TD>Some inserts values have no quotes</TD></TR>\n"
            "<TR><TD>Field</TD><TD>name</TD></TR></TABLE>\n</body></html>\n" % OUTCOMES[outcome]).encode("latin-1")


def scripted_page(fields, reply, second_port, path):
    html_type = [("Content-Type", "text/html")]
    if "page" in fields:
        return 200, html_type, fields["page"].encode("utf-8", "surrogateescape")
    if fields.get("empty"):
        return 200, html_type, b""
    if fields.get("http", "200") != "200":
        code = int(fields["http"])
        return code, html_type, page("Error", "Error %d" % code)
    if fields.get("redirect") and second_port:
        return 302, html_type + [("Location", "http://127.0.0.1:%d%s" % (second_port, path))], page("Moved", "Moved")
    return reply


def form_data_parts(content_type, body):
    """(fields, files) of a multipart/form-data body, each a list of (name, bytes); None for other bodies.

    The boundary may follow a comma as well as a semicolon, as the validator's post writes it."""
    match = re.fullmatch(r"multipart/form-data\s*[;,]\s*boundary=\"?([^\";]+)\"?", content_type.strip())
    if not match:
        return None
    entity = email.message_from_bytes(
        b"Content-Type: multipart/form-data; boundary=\"" + match.group(1).encode("latin-1") + b"\"\r\n\r\n" + body,
        policy=email.policy.compat32)
    if not entity.is_multipart():
        return None
    fields, files = [], []
    for part in entity.get_payload():
        content = part.get_payload(decode=True) or b""
        filename = part.get_param("filename", header="Content-Disposition")
        if filename is not None:
            files.append((re.split(r"[\\/]", filename)[-1], content))
        else:
            fields.append((part.get_param("name", header="Content-Disposition") or "", content))
    return fields, files


def validator_problems(content_type, body):
    problems = []
    match = re.fullmatch(r"multipart/form-data, boundary=(-{27}\d+)", content_type)
    if not match:
        return ["the Content-Type %r is not multipart/form-data, boundary= 27 hyphens and digits" % content_type]
    entity = email.message_from_bytes(
        b"Content-Type: multipart/form-data; boundary=" + match.group(1).encode() + b"\r\n\r\n" + body,
        policy=email.policy.compat32)
    parts = entity.get_payload() if entity.is_multipart() else []
    if entity.defects or len(parts) != 1:
        return problems + ["the body is not one multipart/form-data part"]
    part = parts[0]
    if part.get_param("filename", header="Content-Disposition") is None:
        problems.append("the part has no filename")
    if part.get_content_type() != "text/html":
        problems.append("the part is not text/html")
    text = (part.get_payload(decode=True) or b"").decode("latin-1")
    ends = [m.start() for m in re.finditer(r"</form\b", text, re.IGNORECASE)]
    if not ends:
        problems.append("the page has no FORM end tag")
    for number, end in enumerate(ends, 1):
        if not HIDDEN_FIELD.search(text[:end]):
            problems.append("FORM %d has no hidden FormRegistrationWizard field before its end tag" % number)
    return problems


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True
    request_queue_size = 64

    def __init__(self, state, version, tls_context=None):
        super().__init__(("127.0.0.1", 0), Handler)
        self.state = state
        self.version = version
        self.tls_context = tls_context
        self.sessions = set()

    def handle_error(self, request, client_address):
        pass


def start(state, version, tls_context=None):
    server = Server(state, version, tls_context)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server

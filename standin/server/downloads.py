"""The download role: GET of files from a folder the test names, with redirects, error replies
and bodies that never end.

`files PATH` (percent-encoded) names the folder served under /files/; `download-peak` answers
the most requests it was answering at once. Scripted replies of the
`download` service, one per request: `http=CODE` (an error page with that code),
`redirect=second` (302 to the same path on the other HTTP port), `location=URL` (302 to any
address), `endless=1` (a body without length that never ends), `type=` (the Content-Type), and
the faults every service plays (`silence`, `throttle`, `drop` with `after=`).
"""

import mimetypes
import os
import threading
import urllib.parse

from . import wire

PREFIX = "/files/"
SERVICE = "download"
ENDLESS_BLOCK = b"\0" * 65536


class Load:
    """Requests being answered now, and the most at once."""

    def __init__(self):
        self.lock = threading.Lock()
        self.active = 0
        self.peak = 0

    def __enter__(self):
        with self.lock:
            self.active += 1
            self.peak = max(self.peak, self.active)

    def __exit__(self, *details):
        with self.lock:
            self.active -= 1


LOAD = Load()


def run_command(state, command, arguments):
    """The answer to a control line of this role; None when the line is not one of its own."""
    if command == "download-peak" and not arguments:
        return "ok peak %d" % LOAD.peak
    if command != "files" or len(arguments) != 1:
        return None
    folder = os.path.realpath(urllib.parse.unquote(arguments[0]))
    if not os.path.isdir(folder):
        return "error no such folder"
    state.download_folder = folder
    return "ok"


def file_of(state, path):
    """The served file for a request path, confined to the folder; None when there is none."""
    folder = getattr(state, "download_folder", None)
    if folder is None:
        return None
    relative = urllib.parse.unquote(path[len(PREFIX):])
    target = os.path.realpath(os.path.join(folder, relative))
    if os.path.commonpath([folder, target]) != folder or not os.path.isfile(target):
        return None
    return target


def reply_head(code, headers, length, keep_alive):
    reason = {200: "OK", 302: "Found"}.get(code, "Reply")
    lines = ["HTTP/1.1 %d %s" % (code, reason)]
    lines += ["%s: %s" % pair for pair in headers]
    if length is not None:
        lines.append("Content-Length: %d" % length)
    lines.append("Connection: %s" % ("keep-alive" if keep_alive else "close"))
    return ("\r\n".join(lines) + "\r\n\r\n").encode("latin-1")


def serve(handler):
    """Answers one GET or HEAD under /files/ on the handler's connection."""
    with LOAD:
        answer(handler)


def answer(handler):
    state = handler.state
    fields = state.take(SERVICE)
    handler.tee.take()
    parts = urllib.parse.urlsplit(handler.path)
    state.wait_gate(SERVICE, fields, "reply")
    handler.wfile.flush()
    keep = handler.keep_alive() and fields.get("fault") not in ("drop", "garbage")
    if "redirect" in fields or "location" in fields:
        if fields.get("redirect") == "second":
            port = state.ports["http2"] if handler.server.server_address[1] != state.ports["http2"] else state.ports["http"]
            location = "http://127.0.0.1:%d%s" % (port, urllib.parse.urlunsplit(("", "", parts.path, parts.query, "")))
        else:
            location = fields["location"]
        send(handler, fields, reply_head(302, [("Location", location)], 0, keep), keep)
        return
    if fields.get("endless"):
        handler.close_connection = True
        head = reply_head(200, [("Content-Type", fields.get("type", "application/octet-stream"))], None, False)
        try:
            handler.connection.sendall(head)
            while True:
                handler.connection.sendall(ENDLESS_BLOCK)
        except OSError:
            return
    target = file_of(state, parts.path)
    code = int(fields.get("http", "200" if target else "404"))
    if code != 200 or target is None:
        body = ("<html><body>Error %d</body></html>\n" % code).encode("latin-1")
        send(handler, fields, reply_head(code, [("Content-Type", "text/html")], len(body), keep) + body, keep)
        return
    content_type = fields.get("type") or mimetypes.guess_type(target)[0] or "application/octet-stream"
    with open(target, "rb") as source:
        size = os.fstat(source.fileno()).st_size
        head = reply_head(200, [("Content-Type", content_type)], size, keep)
        if handler.command == "HEAD":
            send(handler, fields, head, keep)
        elif not fields.get("fault"):
            # Large files stream from the disk rather than through memory.
            try:
                handler.connection.sendall(head)
                handler.connection.sendfile(source)
            except OSError:
                handler.close_connection = True
            if not keep:
                handler.close_connection = True
        else:
            send(handler, fields, head + source.read(), keep)


def send(handler, fields, data, keep):
    _, standing = wire.send_reply(handler.connection, data, fields)
    if not (standing and keep):
        handler.close_connection = True

"""Shared state of one stand-in: scripted replies, holds, records, job numbers and the event lines."""

import collections
import hashlib
import os
import re
import sys
import threading
import urllib.parse

from . import downloads

SERVICES = ("gateway", "ftp", "smtp", "form", "validator", "proxy", "https", "download")

# Longest control line taken; longer ones are refused whole.
MAX_CONTROL_LINE = 64 * 1024


def safe_name(name, fallback):
    """A member or file name usable inside a record folder, else the fallback."""
    if (not name or "/" in name or "\\" in name or "\0" in name or name in (".", "..")
            or len(name.encode("utf-8", "surrogateescape")) > 200):
        return fallback
    return name


class Record:
    """One request's folder: <seq>-<service>/ with what came, what went and the verdict."""

    def __init__(self, state, seq, service, connection):
        self.state = state
        self.seq = seq
        self.service = service
        self.folder = os.path.join(state.record_folder, "%d-%s" % (seq, service))
        self.problems = 0
        os.makedirs(self.folder)
        self.write("connection.txt", "%s\n" % connection)

    def write(self, name, data):
        if isinstance(data, str):
            data = data.encode("utf-8", "surrogateescape")
        with open(os.path.join(self.folder, name), "wb") as out:
            out.write(data)

    def package(self, data, members):
        """Keeps the uploaded package, its SHA-256 and its members unpacked under package/."""
        self.write("package.bin", data)
        self.write("sha256.txt", hashlib.sha256(data).hexdigest() + "\n")
        self.members("package", members)

    def members(self, folder_name, members):
        folder = os.path.join(self.folder, folder_name)
        os.makedirs(folder, exist_ok=True)
        for index, (name, content) in enumerate(members):
            target = safe_name(name, "member-%d" % (index + 1))
            if os.path.exists(os.path.join(folder, target)):
                target = "member-%d" % (index + 1)
            with open(os.path.join(folder, target), "wb") as out:
                out.write(content)

    def verdict(self, problems):
        self.problems = len(problems)
        self.write("verdict.txt", "ok\n" if not problems else "".join(p + "\n" for p in problems))

    def finish(self, summary):
        self.state.finish(self, summary)


class State:
    def __init__(self, record_folder, account, first_job, sink, out=sys.stdout):
        self.record_folder = record_folder
        self.account = account
        self.sink = sink
        self.out = out
        self.out_lock = threading.Lock()
        self.lock = threading.Condition()
        self.scripts = collections.defaultdict(collections.deque)
        self.gates = {}
        self.next_seq = 1
        self.finished = 0
        self.next_job = first_job
        self.next_connection = 1
        self.proxy_credentials = account
        self.ports = {}

    # --- event lines and answers

    def emit(self, line):
        with self.out_lock:
            try:
                self.out.write(line + "\n")
                self.out.flush()
            except OSError:
                pass  # the parent is gone; the end of stdin stops the stand-in

    def event(self, *words):
        if not self.sink:
            self.emit("event " + " ".join(quote(str(w)) for w in words))

    # --- numbers

    def job_number(self):
        with self.lock:
            job = self.next_job
            self.next_job += 1
            return job

    def connection_id(self):
        with self.lock:
            connection = self.next_connection
            self.next_connection += 1
            return connection

    # --- scripted replies

    def script(self, service, fields):
        with self.lock:
            self.scripts[service].append(fields)

    def take(self, service):
        """The next scripted reply of the service, or {} for the default."""
        with self.lock:
            queue = self.scripts[service]
            if not queue:
                return {}
            entry = queue[0]
            drops = int(entry.get("drops", "0") or 0)
            if drops > 0:
                # N drops, then the reply itself: the entry stays first with one drop less.
                entry["drops"] = str(drops - 1)
                return {"fault": "drop", "after": "0"}
            return queue.popleft()

    # --- holds

    def hold(self, service):
        with self.lock:
            self.gates[service] = threading.Event()

    def release(self, service):
        with self.lock:
            gate = self.gates.pop(service, None)
        if gate:
            gate.set()

    def held_gate(self, service, fields):
        """The gate a reply waits at: a hold of the service, or a scripted silence."""
        with self.lock:
            gate = self.gates.get(service)
            if gate is None and fields.get("fault") == "silence":
                gate = self.gates[service] = threading.Event()
            return gate

    def wait_gate(self, service, fields, what):
        gate = self.held_gate(service, fields)
        if gate is not None and not gate.is_set():
            self.event("held", service, what)
            gate.wait()

    # --- records

    def record(self, service, connection):
        with self.lock:
            seq = self.next_seq
            self.next_seq += 1
        return Record(self, seq, service, connection)

    def finish(self, record, summary):
        with self.lock:
            self.finished += 1
            self.lock.notify_all()
        self.event("record", record.seq, record.service, summary,
                   "ok" if not record.problems else "problems=%d" % record.problems)

    def wait_records(self, count, timeout):
        with self.lock:
            self.lock.wait_for(lambda: self.finished >= count, timeout)
            return self.finished


def quote(text):
    return urllib.parse.quote(text, safe="!#$&'()*+,/:;=?@[]~<>")


def unquote(text):
    return urllib.parse.unquote(text, errors="surrogateescape")


def parse_fields(words):
    """key=value words (values percent-encoded) into a dict."""
    fields = {}
    for word in words:
        key, equals, value = word.partition("=")
        if not equals or not re.fullmatch(r"[a-z_]+", key):
            raise ValueError("not a key=value word: %s" % word)
        fields[key] = unquote(value)
    return fields


def run_command(state, line):
    """One control line; the answer line it gets."""
    words = line.split()
    if not words:
        return "error empty line"
    command, arguments = words[0], words[1:]
    try:
        answer = downloads.run_command(state, command, arguments)
        if answer is not None:
            return answer
        if command == "script" and arguments and arguments[0] in SERVICES:
            state.script(arguments[0], parse_fields(arguments[1:]))
            return "ok"
        if command == "hold" and len(arguments) == 1 and arguments[0] in SERVICES:
            state.hold(arguments[0])
            return "ok"
        if command == "release" and len(arguments) == 1 and arguments[0] in SERVICES:
            state.release(arguments[0])
            return "ok"
        if command == "proxy" and len(arguments) == 2:
            state.proxy_credentials = (unquote(arguments[0]), unquote(arguments[1]))
            return "ok"
        if command == "wait" and 1 <= len(arguments) <= 2:
            count = int(arguments[0])
            timeout = float(arguments[1]) if len(arguments) == 2 else 10.0
            finished = state.wait_records(count, timeout)
            if finished >= count:
                return "ok records %d" % finished
            return "error timeout records %d" % finished
    except ValueError as error:
        return "error " + quote(str(error))
    return "error unknown command " + quote(line.strip())

"""The FTP upload role on pyftpdlib: the account's login, passive data on loopback, and the job number
or the package's problems in the final reply to STOR."""

import logging
import os
import threading

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer

from . import package, wire

FETCH_NAME = "hello.txt"
FETCH_TEXT = b"A small file to fetch.\r\n"


class CuttingDTPHandler(DTPHandler):
    """Cuts the data connection (RST) once `cut` bytes have come, answering 426."""

    cut = 0

    def recv(self, buffer_size):
        return super().recv(max(1, min(buffer_size, self.cut - self.tot_bytes_received)))

    def handle_read(self):
        if self.tot_bytes_received >= self.cut:
            self._resp = ("426 Data connection cut after %d bytes." % self.cut, logging.debug)
            wire.linger_zero(self.socket)
            self.close()
            return
        super().handle_read()

    handle_read_event = handle_read


class Handler(FTPHandler):
    auth_failed_timeout = 0
    banner = "Stand-in FTP service ready."
    permit_foreign_addresses = False

    def handle(self):
        self.fields = self.state.take("ftp")
        self.connection_id = self.state.connection_id()
        self.commands = []
        self.upload = None
        fault = self.fields.get("fault")
        if fault == "throttle":
            self.dtp_handler = type("Throttled", (ThrottledDTPHandler,),
                                    {"read_limit": int(self.fields.get("rate", "1024") or 1024)})
        elif "cut" in self.fields:
            self.dtp_handler = type("Cutting", (CuttingDTPHandler,), {"cut": int(self.fields["cut"])})
        gate = self.state.held_gate("ftp", {"fault": "silence"} if fault == "silence" else {})
        if gate is not None and not gate.is_set():
            self.state.event("held", "ftp", "greeting")
            self.wait_then_greet(gate)
        else:
            super().handle()

    def wait_then_greet(self, gate):
        # The loop is pyftpdlib's: poll the gate from it rather than block it.
        if gate.is_set():
            super().handle()
        else:
            self.ioloop.call_later(0.02, self.wait_then_greet, gate)

    def pre_process_command(self, line, cmd, arg):
        self.commands.append(line)
        super().pre_process_command(line, cmd, arg)

    def ftp_STOR(self, file, mode="w"):
        self.upload = file
        return super().ftp_STOR(file, mode)

    def respond(self, resp, logfun=logging.debug):
        if self.upload is not None and resp[:3] in ("226", "426"):
            upload, self.upload = self.upload, None
            if resp.startswith("226"):
                self.final_reply(upload)
            else:
                super().respond(resp, logfun)
            return
        super().respond(resp, logfun)

    def final_reply(self, path):
        with open(path, "rb") as uploaded:
            data = uploaded.read(package.MAX_UPLOAD + 1)
        os.unlink(path)
        if self.state.sink:
            super().respond("226 Transfer complete. JOB = %d" % self.state.job_number())
            return
        record = self.state.record("ftp", self.connection_id)
        record.write("request.txt", "".join(line + "\r\n" for line in self.commands))
        record.write("body.bin", data)
        problems, members = package.ftp_problems(data, self.state.account, self.version)
        record.verdict(problems)
        record.package(data, members)
        fields = self.fields
        if "reply" in fields:
            reply = fields["reply"]
        elif problems:
            reply = "552 " + "; ".join(problems)
        else:
            reply = "226 Transfer complete. JOB = %d" % self.state.job_number()
        fault = fields.get("fault")
        if fault in ("close", "drop", "garbage"):
            sent = b""
            if fault != "close":
                sent, _ = wire.send_reply(self.socket, (reply + "\r\n").encode("utf-8", "surrogateescape"), fields)
            record.write("reply.bin", sent)
            record.finish(fault)
            try:
                self.close()
            except OSError:
                pass
            return
        else:
            if self.state.held_gate("ftp", {}) is not None:
                self.state.event("held", "ftp", "reply")
                self.respond_when_released(reply, record)
                return
            super().respond(reply)
            record.write("reply.bin", reply + "\r\n")
        record.finish(reply[:3])

    def respond_when_released(self, reply, record):
        gate = self.state.held_gate("ftp", {})
        if gate is None or gate.is_set():
            super().respond(reply)
            record.write("reply.bin", reply + "\r\n")
            record.finish(reply[:3])
        else:
            self.ioloop.call_later(0.02, self.respond_when_released, reply, record)


def start(state, home, version):
    os.makedirs(home, exist_ok=True)
    with open(os.path.join(home, FETCH_NAME), "wb") as out:
        out.write(FETCH_TEXT)
    authorizer = DummyAuthorizer()
    user, password = state.account
    authorizer.add_user(user, password, home, perm="elrw")
    handler = type("StandInFTP", (Handler,), {"authorizer": authorizer, "state": state, "version": version})
    logging.getLogger("pyftpdlib").setLevel(logging.CRITICAL)
    server = FTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, kwargs={"handle_exit": False}, daemon=True).start()
    return server

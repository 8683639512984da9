"""The SMTP submission role on aiosmtpd: HELO, MAIL FROM:<>, RCPT to the destination, DATA, and
250 for a valid package of attachments or 554 with its problems."""

import asyncio
import threading

from aiosmtpd.controller import UnthreadedController
from aiosmtpd.smtp import SMTP

from . import package, wire

HOSTNAME = "standin.test"
DATA_LIMIT = 48 * 1024 * 1024


class Session(SMTP):
    """One connection: its script, taken at connect, and the bytes it sent before DATA."""

    async def _handle_client(self):
        state = self.event_handler.state
        self.fields = state.take("smtp")
        self.connection_id = state.connection_id()
        self.received = bytearray()
        self.data_bytes = None
        gate = state.held_gate("smtp", self.fields)
        if gate is not None and not gate.is_set():
            state.event("held", "smtp", "greeting")
            await asyncio.get_running_loop().run_in_executor(None, gate.wait)
        if self.fields.get("greeting"):
            await self.push(self.fields["greeting"])
            self.fields = dict(self.fields, greeting_sent="1")
        await super()._handle_client()

    async def push(self, status):
        if isinstance(status, str) and status.startswith("220 ") and getattr(self, "fields", {}).get("greeting_sent"):
            return
        await super().push(status)
        if isinstance(status, str) and status.startswith("354"):
            self.data_bytes = 0
            if self.fields.get("fault") == "drop" and self.fields.get("at") == "354":
                self.drop()

    def drop(self):
        sock = self.transport.get_extra_info("socket") if self.transport else None
        if self.fields.get("how") == "rst" and sock is not None:
            wire.linger_zero(sock)
            self.transport.abort()
        elif self.transport:
            self.transport.close()

    def data_received(self, data):
        if self.data_bytes is None:
            self.received += data[:65536 - len(self.received)] if len(self.received) < 65536 else b""
        else:
            after = self.fields.get("after")
            if self.fields.get("fault") == "drop" and self.fields.get("at") == "data" and after is not None:
                if self.data_bytes + len(data) > int(after):
                    self.data_bytes += len(data)
                    self.drop()
                    return
            self.data_bytes += len(data)
        super().data_received(data)

    async def smtp_DATA(self, arg):
        reply = self.fields.get("data")
        if reply and self.envelope.rcpt_tos:
            await self.push(reply)
            return
        await super().smtp_DATA(arg)


class Handler:
    def __init__(self, state, destination, version):
        self.state = state
        self.destination = destination
        self.version = version

    async def handle_HELO(self, server, session, envelope, hostname):
        session.host_name = hostname
        return server.fields.get("helo") or "250 %s" % HOSTNAME

    async def handle_EHLO(self, server, session, envelope, hostname, responses):
        session.host_name = hostname
        return [server.fields["helo"]] if server.fields.get("helo") else responses

    async def handle_MAIL(self, server, session, envelope, address, options):
        envelope.mail_from = address
        return server.fields.get("mail") or "250 OK"

    async def handle_RCPT(self, server, session, envelope, address, options):
        envelope.rcpt_tos.append(address)
        return server.fields.get("rcpt") or "250 OK"

    async def handle_DATA(self, server, session, envelope):
        fields = server.fields
        content = envelope.original_content or b""
        if self.state.sink:
            return "250 OK"
        record = self.state.record("smtp", server.connection_id)
        record.write("request.txt", bytes(server.received))
        record.write("body.bin", content)
        problems, members = package.mail_problems(
            # aiosmtpd gives the null sender of MAIL FROM:<> as "<>".
            session.host_name, "" if envelope.mail_from == "<>" else envelope.mail_from, list(envelope.rcpt_tos), content, self.destination,
            self.state.account, self.version)
        record.verdict(problems)
        record.members("package", members)
        reply = fields.get("end") or ("250 OK: queued" if not problems else "554 " + "; ".join(problems))
        if fields.get("fault") == "drop" and fields.get("at") == "end":
            server.drop()
            record.write("reply.bin", b"")
            record.finish("dropped")
            return "250 unsent"
        if fields.get("fault") == "garbage":
            server.transport.write(wire.GARBAGE)
            server.transport.close()
            record.write("reply.bin", wire.GARBAGE)
            record.finish("garbage")
            return "250 unsent"
        gate = self.state.held_gate("smtp", {})
        if gate is not None and not gate.is_set():
            self.state.event("held", "smtp", "reply")
            await asyncio.get_running_loop().run_in_executor(None, gate.wait)
        record.write("reply.bin", reply + "\r\n")
        record.finish(reply[:3])
        return reply


def start(state, destination, version):
    loop = asyncio.new_event_loop()
    handler = Handler(state, destination, version)

    class Controller(UnthreadedController):
        def factory(self):
            return Session(self.handler, **self.SMTP_kwargs)

    controller = Controller(handler, loop=loop, hostname="127.0.0.1", port=0, server_hostname=HOSTNAME,
                            data_size_limit=DATA_LIMIT, decode_data=False)
    controller.begin()
    port = controller.server.sockets[0].getsockname()[1]
    threading.Thread(target=loop.run_forever, daemon=True).start()
    return controller, port

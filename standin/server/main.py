"""The stand-in for the Quorbis service, on 127.0.0.1 only.

Starts its listeners on free ports, prints one ready line, then reads control lines on stdin and
answers on stdout. It stops at the end of stdin, on SIGTERM or after its lifetime, deleting its
private folder and keeping its records.
"""

import os
import sys

# Run as a script, this folder would shadow the standard library's http module: the package's
# parent goes first instead.
sys.path[0] = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

import argparse  # noqa: E402
import logging  # noqa: E402
import shutil  # noqa: E402
import signal  # noqa: E402
import socket  # noqa: E402
import tempfile  # noqa: E402
import threading  # noqa: E402

from server import control, tls  # noqa: E402
from server import ftpd, http, smtpd  # noqa: E402

LISTENERS = ("http", "https", "ftp", "smtp")


def options(arguments):
    parser = argparse.ArgumentParser(prog="standin", description=__doc__)
    parser.add_argument("--services", default=",".join(LISTENERS),
                        help="listeners to start, from %s (HTTP serves the gateway, form site and validator)"
                        % ", ".join(LISTENERS))
    parser.add_argument("--user", default="demo", help="the service account's user name")
    parser.add_argument("--password", default="secret", help="the service account's password")
    parser.add_argument("--smtp-destination", default="submit@standin.test")
    parser.add_argument("--program-version", default="3.4.0.1")
    parser.add_argument("--certificate", default="good", choices=tls.KINDS, help="what the HTTPS port serves")
    parser.add_argument("--record-folder", help="where records go (default: a new folder under TMPDIR)")
    parser.add_argument("--first-job", type=int, default=1001)
    parser.add_argument("--lifetime", type=float, default=300.0, help="seconds before it stops by itself")
    parser.add_argument("--sink", action="store_true", help="no records or verdicts, immediate replies")
    parser.add_argument("--pid-folder", help="registers the process id here while it lives")
    parsed = parser.parse_args(arguments)
    unknown = set(parsed.services.split(",")) - set(LISTENERS)
    if unknown:
        parser.error("unknown services: %s" % ", ".join(sorted(unknown)))
    return parsed


class StandIn:
    def __init__(self, opts):
        self.private = tempfile.mkdtemp(prefix="standin-")
        self.pid_file = None
        if opts.pid_folder:
            os.makedirs(opts.pid_folder, exist_ok=True)
            self.pid_file = os.path.join(opts.pid_folder, str(os.getpid()))
            with open(self.pid_file, "w") as out:
                out.write(" ".join(sys.argv) + "\n")
        records = opts.record_folder or tempfile.mkdtemp(prefix="standin-records-")
        os.makedirs(records, exist_ok=True)
        self.state = control.State(os.path.realpath(records), (opts.user, opts.password), opts.first_job, opts.sink)
        services = opts.services.split(",")
        ports = self.state.ports
        ca_file = ""
        if "http" in services:
            ports["http"] = http.start(self.state, opts.program_version).server_address[1]
            ports["http2"] = http.start(self.state, opts.program_version).server_address[1]
        if "https" in services:
            ca_file, pairs = tls.make_certificates(os.path.join(self.private, "tls"))
            context = tls.server_context(*pairs[opts.certificate])
            ports["https"] = http.start(self.state, opts.program_version, context).server_address[1]
        if "ftp" in services:
            server = ftpd.start(self.state, os.path.join(self.private, "ftp"), opts.program_version)
            ports["ftp"] = server.address[1]
        if "smtp" in services:
            self.smtp, ports["smtp"] = smtpd.start(self.state, opts.smtp_destination, opts.program_version)
        # Bound and never listening: connecting to it is refused for as long as the stand-in lives.
        self.refused = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.refused.bind(("127.0.0.1", 0))
        ports["refused"] = self.refused.getsockname()[1]
        words = ["ready"] + ["%s=%d" % pair for pair in ports.items()]
        words += ["ca=" + control.quote(ca_file), "records=" + control.quote(self.state.record_folder)]
        self.state.emit(" ".join(words))

    def stop(self):
        shutil.rmtree(self.private, ignore_errors=True)
        if self.pid_file:
            try:
                os.unlink(self.pid_file)
            except OSError:
                pass


def main(arguments):
    opts = options(arguments)
    # Only warnings reach stderr (the libraries would log every session otherwise).
    logging.basicConfig(stream=sys.stderr, level=logging.WARNING)
    # Threads never take the signal: SIGTERM reaches the main thread, which stops everything.
    signal.signal(signal.SIGTERM, lambda number, frame: sys.exit(0))
    stand_in = None
    try:
        stand_in = StandIn(opts)
        timer = threading.Timer(opts.lifetime, lambda: os.kill(os.getpid(), signal.SIGTERM))
        timer.daemon = True
        timer.start()
        for line in sys.stdin:
            if len(line) > control.MAX_CONTROL_LINE:
                stand_in.state.emit("error line too long")
                continue
            stand_in.state.emit(control.run_command(stand_in.state, line))
    except RuntimeError as error:
        print("standin: %s" % error, file=sys.stderr)
        return_code = 1
    except (SystemExit, KeyboardInterrupt):
        return_code = 0
    else:
        return_code = 0
    if stand_in:
        stand_in.stop()
    for stream in (sys.stdout, sys.stderr):
        try:
            stream.flush()
        except OSError:
            pass  # the reader of the stream is gone with the parent
    # Held requests keep their threads waiting: leave without joining them.
    os._exit(return_code)


if __name__ == "__main__":
    main(sys.argv[1:])

"""Socket faults every service plays: drops by FIN or RST, throttled writes and garbage replies."""

import socket
import struct
import time

GARBAGE = b"\x00\xff\xfe garbage \x1b[0m\r\n\x7f\x80\x81 no reply here\r\n"


def linger_zero(sock):
    """Makes the coming close send RST instead of FIN."""
    try:
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
    except OSError:
        pass


def reset(sock):
    linger_zero(sock)
    try:
        sock.close()
    except OSError:
        pass


def finish(sock):
    try:
        sock.shutdown(socket.SHUT_RDWR)
    except OSError:
        pass
    try:
        sock.close()
    except OSError:
        pass


def drop(sock, how):
    if how == "rst":
        reset(sock)
    else:
        finish(sock)


def send_throttled(sock, data, rate):
    """Sends at about rate bytes per second, in tenths of a second."""
    step = max(1, rate // 10)
    for start in range(0, len(data), step):
        sock.sendall(data[start:start + step])
        if start + step < len(data):
            time.sleep(0.1)


def send_reply(sock, data, fields):
    """Sends a reply as the scripted fault says; answers the bytes sent and whether the socket still stands."""
    fault = fields.get("fault", "")
    try:
        if fault == "drop":
            sent = data[:int(fields.get("after", "0") or 0)]
            if sent:
                sock.sendall(sent)
            drop(sock, fields.get("how", "fin"))
            return sent, False
        if fault == "garbage":
            sock.sendall(GARBAGE)
            finish(sock)
            return GARBAGE, False
        if fault == "throttle":
            send_throttled(sock, data, int(fields.get("rate", "1024") or 1024))
            return data, True
        sock.sendall(data)
        return data, True
    except OSError:
        return b"", False

"""Certificates made by openssl at start, all in the private folder: a test CA and, from it, certificates
for 127.0.0.1 and localhost, for wrong.test and an expired one; and a self-signed one. Every key is
EC P-256: an RSA key alone takes longer to make than the whole start may."""

import os
import ssl
import subprocess

KINDS = ("good", "wrong-name", "expired", "self-signed")

GOOD_NAMES = "subjectAltName=IP:127.0.0.1,DNS:localhost\n"
WRONG_NAMES = "subjectAltName=DNS:wrong.test\n"

CA_CONFIG = """[ ca ]
default_ca = test_ca
[ test_ca ]
database = {folder}/index.txt
new_certs_dir = {folder}
serial = {folder}/serial
default_md = sha256
policy = any_name
unique_subject = no
copy_extensions = none
[ any_name ]
commonName = supplied
"""


def run_all(commands, folder):
    """Runs the commands side by side; raises with openssl's own words when one fails."""
    started = [subprocess.Popen(["openssl"] + c, cwd=folder, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                stderr=subprocess.PIPE) for c in commands]
    for command, process in zip(commands, started):
        _, error = process.communicate()
        if process.returncode != 0:
            raise RuntimeError("openssl %s failed: %s" % (command[0], error.decode(errors="replace").strip()))


def write(folder, name, text):
    with open(os.path.join(folder, name), "w") as out:
        out.write(text)


def make_certificates(folder):
    """Makes every kind; answers the CA file and a map kind -> (certificate, key)."""
    os.makedirs(folder, mode=0o700, exist_ok=True)
    write(folder, "good.ext", GOOD_NAMES)
    write(folder, "wrong.ext", WRONG_NAMES)
    write(folder, "ca.cnf", CA_CONFIG.format(folder=folder))
    write(folder, "index.txt", "")
    write(folder, "serial", "1000\n")
    subject = ["-subj", "/CN=127.0.0.1"]
    run_all([
        ["req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes", "-keyout", "ca.key",
         "-out", "ca.pem", "-days", "2", "-subj", "/CN=Stand-in test CA",
         "-addext", "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign,cRLSign"],
        ["req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes", "-keyout", "leaf.key",
         "-out", "leaf.csr"] + subject,
    ], folder)
    sign = ["x509", "-req", "-CA", "ca.pem", "-CAkey", "ca.key", "-days", "2"]
    run_all([
        sign + ["-in", "leaf.csr", "-set_serial", "1", "-extfile", "good.ext", "-out", "good.pem"],
        sign + ["-in", "leaf.csr", "-set_serial", "3", "-extfile", "wrong.ext", "-out", "wrong-name.pem"],
        ["ca", "-batch", "-config", "ca.cnf", "-cert", "ca.pem", "-keyfile", "ca.key", "-in", "leaf.csr",
         "-startdate", "20200101000000Z", "-enddate", "20200201000000Z", "-extfile", "good.ext", "-notext",
         "-out", "expired.pem"],
        ["req", "-x509", "-key", "leaf.key", "-out", "self-signed.pem", "-days", "2",
         "-addext", GOOD_NAMES.strip()] + subject,
    ], folder)
    pairs = {kind: (os.path.join(folder, kind + ".pem"), os.path.join(folder, "leaf.key")) for kind in KINDS}
    return os.path.join(folder, "ca.pem"), pairs


def server_context(certificate, key):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(certificate, key)
    return context

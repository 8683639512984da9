"""Verdicts on what the program sends: the archive, command.txt, the gateway request and the mail.

Each check answers a list of problems, one line per broken rule; an empty list means ok. The
readers are Python's own (zipfile, tarfile, email, xml.etree), never the program's.
"""

import base64
import binascii
import email
import email.policy
import io
import re
import tarfile
import time
import xml.etree.ElementTree as ElementTree
import zipfile

MAX_UPLOAD = 64 * 1024 * 1024
MAX_MEMBERS = 1000
MAX_MEMBER_SIZE = 32 * 1024 * 1024
MAX_TOTAL = 64 * 1024 * 1024

ORIGINATOR = "REM Originator: Veltrane Wizard "
USER_AGENT = "Quorbis Veltrane Wizard 3.4"

KEYWORDS = {
    "user", "subject", "charset", "cref", "bc", "password", "future_delivery", "expiration_days",
    "body", "SEND_FRIEND", "posting_report", "completion_report", "FRIEND_REPORT",
    "ACCEPTANCE_REPORT", "DSN", "MDN", "PROGRESS_REPORT", "attachment", "pull", "LOCAL_LIST",
    "list", "inet",
}
NAMING_KEYWORDS = {"body", "attachment", "LOCAL_LIST"}
REPORT_KEYWORDS = ("posting_report", "completion_report", "FRIEND_REPORT")
PULL_LINE = re.compile(r"pull (.+?) autopull (?:yes|no) (?: PULL_SECURITY secure )?(?: PASSWORD_NEEDED yes )?")


def text(data):
    return data.decode("latin-1")


def archive_members(data):
    """(problems, members) of an uploaded archive: one zip member ending ".tar", a tar of flat files."""
    if not data:
        return ["the upload is empty"], []
    if len(data) > MAX_UPLOAD:
        return ["the upload is larger than %d bytes" % MAX_UPLOAD], []
    try:
        archive = zipfile.ZipFile(io.BytesIO(data))
        entries = archive.infolist()
    except (zipfile.BadZipFile, OSError, ValueError) as error:
        return ["the upload is not a zip archive (%s)" % error], []
    if len(entries) != 1:
        return ["the zip archive holds %d members, not one" % len(entries)], []
    entry = entries[0]
    problems = []
    if not entry.filename.endswith(".tar"):
        problems.append("the zip member %s does not end in .tar" % entry.filename)
    if entry.file_size > MAX_TOTAL:
        return problems + ["the zip member is larger than %d bytes" % MAX_TOTAL], []
    try:
        with archive.open(entry) as member:
            tar_data = member.read(MAX_TOTAL + 1)
    except (zipfile.BadZipFile, OSError, ValueError, EOFError, RuntimeError) as error:
        return problems + ["the zip member cannot be read (%s)" % error], []
    tar_problems, members = tar_members(tar_data)
    return problems + tar_problems, members


def tar_members(data):
    """(problems, members) of a tar archive of flat regular files, read by streaming."""
    problems = []
    members = []
    seen = set()
    total = 0
    try:
        with tarfile.open(fileobj=io.BytesIO(data), mode="r:") as archive:
            for index, info in enumerate(archive):
                if index >= MAX_MEMBERS:
                    problems.append("the tar archive holds more than %d members" % MAX_MEMBERS)
                    break
                name = info.name
                if "/" in name or name in (".", ".."):
                    problems.append("the tar member %s is not a plain file name" % name)
                # Links and special files keep their place (empty) so that naming rules still match.
                if info.issym() or info.islnk():
                    problems.append("the tar member %s is a link" % name)
                    members.append((name, b""))
                    continue
                if not info.isreg():
                    problems.append("the tar member %s is not a regular file" % name)
                    members.append((name, b""))
                    continue
                if name in seen:
                    problems.append("the tar member %s appears twice" % name)
                seen.add(name)
                if info.size > MAX_MEMBER_SIZE or total + info.size > MAX_TOTAL:
                    problems.append("the tar member %s makes the package too large" % name)
                    break
                total += info.size
                members.append((name, archive.extractfile(info).read()))
    except (tarfile.TarError, OSError, ValueError, EOFError) as error:
        problems.append("the tar archive cannot be read (%s)" % error)
    if not members and not problems:
        problems.append("the tar archive is empty")
    elif members and members[0][0] != "command.txt":
        problems.append("command.txt is not the first member")
    return problems, members


def command_problems(data, member_names, login_line, account, version):
    """Rules of command.txt; member_names are the package's other files."""
    problems = []
    if b"\r" in data:
        problems.append("command.txt has carriage returns (lines must end in LF only)")
    if data and not data.endswith(b"\n"):
        problems.append("command.txt does not end with a line feed")
    lines = text(data).replace("\r", "").split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    if not lines or lines[0] != ORIGINATOR + version:
        problems.append("the first line is not %r" % (ORIGINATOR + version))
    user_lines = [i for i, line in enumerate(lines) if line.startswith("user ")]
    if login_line:
        expected = "user %s %s" % account
        if 1 not in user_lines:
            problems.append("the second line is not a user line")
        elif lines[1] != expected:
            problems.append("the user line names another account")
        if [i for i in user_lines if i != 1]:
            problems.append("a user line stands elsewhere than second")
    elif user_lines:
        problems.append("a user line in an FTP package")
    named = []
    reports = dict.fromkeys(REPORT_KEYWORDS, 0)
    for line in lines[1:]:
        keyword, blank, value = line.partition(" ")
        if not blank or keyword not in KEYWORDS:
            problems.append("unknown line: %s" % line)
            continue
        if keyword in NAMING_KEYWORDS:
            named.append(value)
        elif keyword == "pull":
            match = PULL_LINE.fullmatch(line)
            if not match:
                problems.append("the pull line's blanks are wrong: %r" % line)
                named.append(value.split(" autopull ")[0])
            else:
                named.append(match.group(1))
        elif keyword in reports:
            reports[keyword] += 1
        elif keyword == "future_delivery":
            try:
                time.strptime(value, "%B %d %Y %I %M %p")
            except ValueError:
                problems.append("future_delivery %r is not read by %%B %%d %%Y %%I %%M %%p" % value)
    for keyword, count in reports.items():
        if count != 1:
            problems.append("%d %s lines, not one" % (count, keyword))
    members = set(member_names)
    for name in named:
        if name not in members:
            problems.append("the named file %s is not in the package" % name)
    for name in member_names:
        if name not in named:
            problems.append("the member %s is named by no line" % name)
    return problems


def package_problems(members, login_line, account, version):
    """command.txt first, then every rule of it against the other members."""
    if not members:
        return []
    if members[0][0] != "command.txt":
        command = [content for name, content in members if name == "command.txt"]
        if not command:
            return ["the package has no command.txt"]
        others = [name for name, _ in members if name != "command.txt"]
        return command_problems(command[0], others, login_line, account, version)
    return command_problems(members[0][1], [name for name, _ in members[1:]], login_line, account, version)


def base64_problems(body):
    """Base64 text in lines of 76 characters, the last one at most 76."""
    lines = body.replace(b"\r\n", b"\n").split(b"\n")
    while lines and lines[-1] == b"":
        lines.pop()
    problems = []
    for number, line in enumerate(lines, 1):
        if len(line) > 76 or (number < len(lines) and len(line) != 76):
            problems.append("base64 line %d has %d characters, not 76" % (number, len(line)))
            break
    return problems


def gateway_problems(method, version, headers, body, account, program_version):
    """(problems, package bytes, members) of a gateway POST."""
    problems = []
    if method != "POST" or version != "HTTP/1.0":
        problems.append("the request is %s %s, not POST HTTP/1.0" % (method, version))
    if headers.get("Content-Length") is None:
        problems.append("the request has no Content-Length")
    if headers.get("Content-Type") != "application/x-www-form-urlencoded":
        problems.append("the Content-Type is %r, not application/x-www-form-urlencoded" % headers.get("Content-Type"))
    if headers.get("User-Agent") != USER_AGENT:
        problems.append("the User-Agent is %r, not %r" % (headers.get("User-Agent"), USER_AGENT))
    if headers.get("Expect") is not None:
        problems.append("the request carries Expect: %s" % headers.get("Expect"))
    entity = email.message_from_bytes(body, policy=email.policy.compat32)
    if entity.defects or not entity.is_multipart() or entity.get_content_type() != "multipart/mixed":
        return problems + ["the body is not one multipart/mixed MIME entity"], b"", []
    parts = entity.get_payload()
    if len(parts) != 2:
        return problems + ["the body has %d parts, not two" % len(parts)], b"", []
    header, archive = parts
    if header.get_content_type() != "text/xml" or header.get_param("name") != "xml.txt":
        problems.append("the first part is not text/xml named xml.txt")
    problems += request_xml_problems(header.get_payload(decode=True) or b"", account, program_version)
    name = archive.get_param("name") or ""
    if not name.endswith(".tar.gz"):
        problems.append("the archive part's name %r does not end in .tar.gz" % name)
    if archive.get("Content-Transfer-Encoding", "").lower() != "base64":
        problems.append("the archive part is not base64")
    encoded = archive.get_payload(decode=False)
    encoded = encoded.encode("latin-1") if isinstance(encoded, str) else b""
    problems += base64_problems(encoded)
    try:
        package = base64.b64decode(encoded.replace(b"\r", b"").replace(b"\n", b""), validate=True)
    except (binascii.Error, ValueError) as error:
        return problems + ["the archive part is not base64 (%s)" % error], b"", []
    archive_problems, members = archive_members(package)
    problems += archive_problems
    problems += package_problems(members, True, account, program_version)
    return problems, package, members


def request_xml_problems(data, account, program_version):
    try:
        root = ElementTree.fromstring(data)
    except ElementTree.ParseError as error:
        return ["the XML part is not well-formed (%s)" % error]
    problems = []
    if root.tag != "HTTP_REQUEST":
        problems.append("the XML root is %s, not HTTP_REQUEST" % root.tag)
    protocol = root.find("HEADER/PROTOCOL")
    if protocol is None or protocol.get("name") != "QBHTTP" or protocol.get("version") != "1.0":
        problems.append("no PROTOCOL QBHTTP 1.0 in the XML part")
    agent = root.find("HEADER/USER_AGENT")
    if agent is None or agent.get("name") != "VELTRANE WIZARD" or agent.get("version") != program_version:
        problems.append("no USER_AGENT VELTRANE WIZARD %s in the XML part" % program_version)
    user = root.find("HEADER/USER")
    if user is None:
        problems.append("no USER in the XML part")
    elif (user.get("name"), user.get("password")) != tuple(account):
        problems.append("the XML USER names another account")
    action = root.find("HEADER/ACTION")
    if action is None or action.text != "SUBMIT":
        problems.append("no ACTION SUBMIT in the XML part")
    return problems


def mail_problems(helo, sender, recipients, content, destination, account, program_version):
    """(problems, members) of a mailed package: attachments decoded by file name."""
    problems = []
    if not helo:
        problems.append("HELO carried no host name")
    if sender != "":
        problems.append("the sender is <%s>, not <>" % sender)
    if recipients != [destination]:
        problems.append("the recipients are %s, not <%s>" % (recipients, destination))
    message = email.message_from_bytes(content, policy=email.policy.compat32)
    members = []
    for part in message.walk():
        name = part.get_filename()
        if name is None:
            continue
        members.append((name, part.get_payload(decode=True) or b""))
    if not members:
        return problems + ["the mail carries no attachments"], []
    names = [name for name, _ in members]
    if names[0] != "command.txt":
        problems.append("command.txt is not the first attachment")
    for name in sorted(set(names)):
        if names.count(name) > 1:
            problems.append("the attachment %s appears %d times" % (name, names.count(name)))
    problems += package_problems(members, True, account, program_version)
    return problems, members


def ftp_problems(data, account, program_version):
    problems, members = archive_members(data)
    return problems + package_problems(members, False, account, program_version), members

# Reads a request or mail file written by the program with the standard library's parsers
# and prints, one per line: the part's file name, then its decoded bytes in hex; for an
# XML part the USER element's name and password, each as hex of its UTF-8 bytes.
import email
import email.policy
import sys
import xml.etree.ElementTree as ET

with open(sys.argv[1], "rb") as f:
    message = email.message_from_bytes(f.read(), policy=email.policy.compat32)
assert message.is_multipart(), "not multipart"
for part in message.get_payload():
    if part.get_content_type() == "text/xml":
        user = ET.fromstring(part.get_payload(decode=True)).find("HEADER/USER")
        print("xml")
        print(user.get("name").encode("utf-8").hex())
        print(user.get("password").encode("utf-8").hex())
    else:
        print(part.get_param("name"))
        print(part.get_payload(decode=True).hex())

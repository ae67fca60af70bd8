#!/usr/bin/python3
"""Local SMTP server for Korvane's tests and benchmarks (aiosmtpd) on 127.0.0.1.

Stores every accepted message as one JSON file in the given folder (written under a temporary
name, then renamed), prints "PORT <n>" once it listens and stops when standard input closes.
Recipients whose local part starts with "refused" get a 550. A record holds the envelope's
recipients, the login and whether it (and the mail) came over an encrypted session, the raw
message, the decoded headers and every leaf part, then the uuencoded blocks of the text parts
as parts of type x-uuencode. With --tls a self-signed certificate is made at start.
"""

import argparse
import base64
import binascii
import email
import email.policy
import json
import os
import re
import socket
import ssl
import subprocess
import sys
import warnings

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult, LoginPassword


def encrypted(server, session):
    # session.ssl is set by STARTTLS only; an implicit-TLS transport tells it itself.
    return session.ssl is not None or server.transport.get_extra_info("ssl_object") is not None


def b64(data):
    return base64.b64encode(data).decode("ascii")


def part(content_type, filename, data, text=None):
    return {"content_type": content_type, "filename": filename, "data_b64": b64(data),
            "text": text}


def describe(raw):
    message = email.message_from_bytes(raw, policy=email.policy.default)
    parts, uu = [], []
    for leaf in message.walk():
        if leaf.is_multipart():
            continue
        data = leaf.get_payload(decode=True) or b""
        text = None
        if leaf.get_content_maintype() == "text":
            text = data.decode(leaf.get_content_charset() or "utf-8", errors="replace")
            for m in re.finditer(r"^begin \d+ (.+?)\r?\n(.*?)^end\r?$", text, re.M | re.S):
                block = b"".join(binascii.a2b_uu(line) for line in m.group(2).splitlines() if line)
                uu.append(part("x-uuencode", m.group(1), block))
        parts.append(part(leaf.get_content_type(), leaf.get_filename(), data, text))
    return [[name, str(value)] for name, value in message.items()], parts + uu


class Store:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.lower().startswith("refused"):
            return "550 5.1.1 Mailbox unavailable"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        raw = envelope.original_content or b""
        try:
            headers, parts = describe(raw)
        except Exception as error:  # a malformed mail is still stored, only unparsed
            headers, parts = [], []
            print(f"parse error: {error}", file=sys.stderr, flush=True)
        login = None
        if session.authenticated and isinstance(session.auth_data, LoginPassword):
            login = session.auth_data.login.decode("utf-8", errors="replace")
        record = {"rcpt_tos": list(envelope.rcpt_tos), "login": login,
                  "login_tls": getattr(session, "login_tls", False),
                  "tls": encrypted(server, session), "raw_b64": b64(raw), "headers": headers,
                  "parts": parts}
        self.count += 1  # the handlers all run on the server's one event loop
        name = os.path.join(self.folder, f"{self.count:06d}.json")
        with open(name + ".part", "w", encoding="utf-8") as out:
            json.dump(record, out)
        os.replace(name + ".part", name)
        return "250 Message accepted for delivery"


def make_authenticator(user, password):
    def authenticate(server, session, envelope, mechanism, auth_data):
        if (isinstance(auth_data, LoginPassword) and auth_data.login == user.encode("utf-8")
                and auth_data.password == password.encode("utf-8")):
            session.login_tls = encrypted(server, session)
            return AuthResult(success=True, auth_data=auth_data)
        # handled=False: the server sends the 535 reply itself.
        return AuthResult(success=False, handled=False)
    return authenticate


def tls_context(folder):
    cert, key = os.path.join(folder, "cert.pem"), os.path.join(folder, "key.pem")
    subprocess.run(["/usr/bin/openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-subj",
                    "/CN=localhost", "-days", "2", "-keyout", key, "-out", cert],
                   check=True, capture_output=True, timeout=30)
    # The generic protocol: the controller also opens a client connection with it to see that
    # the server is up.
    context = ssl.SSLContext(ssl.PROTOCOL_TLS)
    context.load_cert_chain(cert, key)
    return context


def main():
    # aiosmtpd itself sets a deprecated session field on every login; keep standard error quiet.
    warnings.simplefilter("ignore", DeprecationWarning)
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("folder")
    parser.add_argument("--port", type=int, default=0)  # 0: a free one
    parser.add_argument("--user", default="")  # offer AUTH and accept this user
    parser.add_argument("--password", default="")
    parser.add_argument("--tls", choices=["none", "starttls", "implicit"], default="none")
    args = parser.parse_args()

    os.makedirs(args.folder, exist_ok=True)
    # A fixed name: looking up the machine's own name can hang where /etc/hosts lacks it.
    options = {"server_hostname": "localhost"}
    if args.user:
        options["authenticator"] = make_authenticator(args.user, args.password)
        options["auth_require_tls"] = False
    # Without --user, AUTH stays tied to TLS: no AUTH in EHLO unless the session is encrypted.
    if args.tls != "none":
        key = "tls_context" if args.tls == "starttls" else "ssl_context"
        options[key] = tls_context(args.folder)

    controller, last_error = None, None
    for _ in range(1 if args.port else 5):
        with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as probe:
            probe.bind(("127.0.0.1", args.port))
            port = probe.getsockname()[1]
        candidate = Controller(Store(args.folder), hostname="127.0.0.1", port=port, **options)
        try:
            candidate.start()
        except Exception as error:
            last_error = error
            continue
        controller = candidate
        break
    if controller is None:
        print(f"cannot listen: {last_error}", file=sys.stderr, flush=True)
        return 1

    print(f"PORT {controller.port}", flush=True)
    try:
        sys.stdin.read()  # returns when the parent closes our standard input
    finally:
        controller.stop()
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/python3
"""Local SMTP server for Korvane's tests and benchmarks (aiosmtpd) on 127.0.0.1.

Stores every accepted message as one JSON file in the given folder (see SmtpPeer.h), prints
"PORT <n>" once it listens and stops when standard input closes. Recipients whose local part
starts with "refused" get a 550.
"""

import argparse, base64, binascii, email, email.policy, json, os, re, socket, ssl, subprocess
import sys, warnings

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult, LoginPassword


def encrypted(server, session):
    # session.ssl is set by STARTTLS only; an implicit-TLS transport tells it itself.
    return session.ssl is not None or server.transport.get_extra_info("ssl_object") is not None


def part(content_type, filename, data, text=None):
    return {"content_type": content_type, "filename": filename, "text": text,
            "data_b64": base64.b64encode(data).decode("ascii")}


def parts_of(message):
    parts, uu = [], []
    for leaf in (m for m in message.walk() if not m.is_multipart()):
        data, text = leaf.get_payload(decode=True) or b"", None
        if leaf.get_content_maintype() == "text":
            text = data.decode(leaf.get_content_charset() or "utf-8", errors="replace")
            for m in re.finditer(r"^begin \d+ (.+?)\r?\n(.*?)^end\r?$", text, re.M | re.S):
                lines = (binascii.a2b_uu(line) for line in m.group(2).splitlines() if line)
                uu.append(part("x-uuencode", m.group(1), b"".join(lines)))
        parts.append(part(leaf.get_content_type(), leaf.get_filename(), data, text))
    return parts + uu


class Store:
    def __init__(self, folder):
        self.folder, self.count = folder, 0

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.lower().startswith("refused"):
            return "550 5.1.1 Mailbox unavailable"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        raw = envelope.original_content or b""
        message = email.message_from_bytes(raw, policy=email.policy.default)
        login = session.auth_data.login.decode() if session.authenticated else None
        record = {"mail_from": envelope.mail_from, "rcpt_tos": envelope.rcpt_tos, "login": login,
                  "login_tls": getattr(session, "login_tls", False),
                  "tls": encrypted(server, session), "raw_b64": base64.b64encode(raw).decode(),
                  "headers": [[k, str(v)] for k, v in message.items()], "parts": parts_of(message)}
        self.count += 1  # the handlers all run on the server's one event loop
        name = os.path.join(self.folder, f"{self.count:06d}.json")
        with open(name + ".part", "w", encoding="utf-8") as out:  # renamed once whole
            json.dump(record, out)
        os.replace(name + ".part", name)
        return "250 Message accepted for delivery"


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

    # A fixed name: looking up the machine's own name can hang where /etc/hosts lacks it.
    options = {"server_hostname": "localhost"}
    if args.user:
        def authenticate(server, session, envelope, mechanism, auth_data):
            if isinstance(auth_data, LoginPassword) and (auth_data.login, auth_data.password) == (
                    args.user.encode(), args.password.encode()):
                session.login_tls = encrypted(server, session)
                return AuthResult(success=True, auth_data=auth_data)
            return AuthResult(success=False, handled=False)  # the server replies 535 itself
        options.update(authenticator=authenticate, auth_require_tls=False)
    # Without --user, AUTH stays tied to TLS: no AUTH in EHLO unless the session is encrypted.
    if args.tls != "none":
        cert, key = (os.path.join(args.folder, name) for name in ("cert.pem", "key.pem"))
        subprocess.run(["/usr/bin/openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes",
                        "-subj", "/CN=localhost", "-days", "2", "-keyout", key, "-out", cert],
                       check=True, capture_output=True, timeout=30)
        # The generic protocol: the controller also connects with it to see that it is up.
        context = ssl.SSLContext(ssl.PROTOCOL_TLS)
        context.load_cert_chain(cert, key)
        options["tls_context" if args.tls == "starttls" else "ssl_context"] = context

    for attempt in range(1 if args.port else 5):
        with socket.socket() as probe:  # a free port, unless one was given
            probe.bind(("127.0.0.1", args.port))
            port = probe.getsockname()[1]
        controller = Controller(Store(args.folder), hostname="127.0.0.1", port=port, **options)
        try:
            controller.start()
        except Exception as error:
            print(f"cannot listen: {error}", file=sys.stderr, flush=True)
            continue
        print(f"PORT {controller.port}", flush=True)
        sys.stdin.read()  # returns when the parent closes our standard input
        controller.stop()
        return 0
    return 1


if __name__ == "__main__":
    sys.exit(main())

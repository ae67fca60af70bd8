#!/usr/bin/python3
# Local SMTP server (aiosmtpd) for tests on 127.0.0.1. Arguments: folder port (0: a free one) user
# (empty: no AUTH without TLS) password tls (none, starttls, implicit). Stores each message, decoded
# (bytes as Latin-1 text), as a JSON file in the folder; prints "PORT <n>" once it listens, stops
# when standard input closes. Recipients whose local part starts with "refused" get a 550.
import binascii, email, email.policy, json, os, re, socket, ssl, subprocess, sys, time, warnings
from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult, LoginPassword

folder, port, user, password, tls = sys.argv[1], int(sys.argv[2]), *sys.argv[3:6]
encrypted = lambda server, session: (session.ssl is not None  # set by STARTTLS only
                                     or server.transport.get_extra_info("ssl_object") is not None)


class Store:
    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.lower().startswith("refused"):
            return "550 5.1.1 Mailbox unavailable"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        raw = envelope.original_content or b""
        message = email.message_from_bytes(raw, policy=email.policy.default)
        # The body: the first text part that is no file; the files, then those uuencoded in it.
        body, body_type, files = "", "", []
        for leaf in (m for m in message.walk() if not m.is_multipart()):
            data = leaf.get_payload(decode=True) or b""
            if leaf.get_filename() is not None:
                files.append([leaf.get_filename(), data.decode("latin-1")])
            elif leaf.get_content_maintype() == "text" and not body_type:
                body_type, charset = leaf.get_content_type(), leaf.get_content_charset() or "utf-8"
                body = data.decode(charset, "replace").replace("\r", "")
        for m in re.finditer(r"^begin \d+ (.+?)\n(.*?)^end$", body, re.M | re.S):
            data = b"".join(binascii.a2b_uu(line) for line in m[2].split("\n") if line)
            files.append([m[1], data.decode("latin-1")])
        name = os.path.join(folder, f"{time.monotonic_ns():020}.json")  # in order of arrival
        with open(name + ".part", "w", encoding="utf-8") as out:  # renamed once whole
            json.dump({"mail_from": envelope.mail_from, "recipients": envelope.rcpt_tos,
                       "login": session.auth_data.login.decode() if session.authenticated else "",
                       "login_tls": getattr(session, "login_tls", False),
                       "tls": encrypted(server, session), "raw": raw.decode("latin-1"),
                       "headers": [[k, str(v)] for k, v in message.items()], "body": body,
                       "body_type": body_type, "files": files}, out)
        os.replace(name + ".part", name)
        return "250 Message accepted for delivery"


def authenticate(server, session, envelope, mechanism, auth_data):
    if isinstance(auth_data, LoginPassword) and (auth_data.login, auth_data.password) == (
            user.encode(), password.encode()):
        session.login_tls = encrypted(server, session)
        return AuthResult(success=True, auth_data=auth_data)
    return AuthResult(success=False, handled=False)  # the server replies 535 itself


# aiosmtpd itself sets a deprecated session field on every login; keep standard error quiet.
warnings.simplefilter("ignore", DeprecationWarning)
# A fixed name: looking up the machine's own name can hang where /etc/hosts lacks it.
options = {"server_hostname": "localhost"}
if user:
    options.update(authenticator=authenticate, auth_require_tls=False)
if tls != "none":
    cert, key = os.path.join(folder, "cert.pem"), os.path.join(folder, "key.pem")
    subprocess.run(["/usr/bin/openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-subj",
                    "/CN=localhost", "-days", "2", "-keyout", key, "-out", cert],
                   check=True, capture_output=True, timeout=30)
    # The generic protocol: the controller also connects with it to see that it is up.
    context = ssl.SSLContext(ssl.PROTOCOL_TLS)
    context.load_cert_chain(cert, key)
    options["tls_context" if tls == "starttls" else "ssl_context"] = context
for attempt in range(1 if port else 5):  # a free port may be taken before the server binds it
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", port))
        free = probe.getsockname()[1]
    controller = Controller(Store(), hostname="127.0.0.1", port=free, **options)
    try:
        controller.start()
        break
    except Exception as error:
        print(f"cannot listen: {error}", file=sys.stderr, flush=True)
else:
    sys.exit(1)
print(f"PORT {controller.port}", flush=True)
sys.stdin.read()  # returns when the parent closes our standard input
controller.stop()

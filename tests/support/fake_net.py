#!/usr/bin/python3
# A scripted stand-in for Samba's `net`: answers the Nth call with the Nth reply of the JSON plan
# in KVT_NET_PLAN ({"out", "err", "exit", "sleep"}; the last one again after that); logs a line
# per call to KVT_NET_LOG: the arguments (the authentication file as "@"), that file's text and
# mode, LC_ALL and the processes whose command line holds KVT_SECRET's text, joined by "|".
import json, os, sys, time

log, secret = os.environ["KVT_NET_LOG"], os.environ.get("KVT_SECRET", "").encode()
plan = json.load(open(os.environ["KVT_NET_PLAN"]))
reply = plan[min(sum(1 for _ in open(log)) if os.path.exists(log) else 0, len(plan) - 1)]
auth = next((a.split("=", 1)[1] for a in sys.argv if a.startswith("--authentication-file=")), "")
leaks = []
for pid in filter(str.isdigit, os.listdir("/proc")):
    try:
        if secret and secret in open(f"/proc/{pid}/cmdline", "rb").read():
            leaks.append(pid)
    except OSError:
        pass
args = " ".join(sys.argv[1:])
with open(log, "a") as f:
    f.write("|".join([args.replace(auth, "@") if auth else args,
                      open(auth).read().replace("\n", "\\n") if auth else "",
                      oct(os.stat(auth).st_mode & 0o777) if auth else "",
                      os.environ.get("LC_ALL", ""),
                      "leaks " + ",".join(leaks) if leaks else ""]) + "\n")
time.sleep(reply.get("sleep", 0))
sys.stdout.write(reply.get("out", ""))
sys.stderr.write(reply.get("err", ""))
sys.exit(reply.get("exit", 0))

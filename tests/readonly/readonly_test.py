#!/usr/bin/env python3
"""The read-only promise: every rqtrace command and rqtracker's command-line trace, under strace on
a generated sample server, never write, create, rename, remove, truncate or chmod anything. Exit 0, 1, 77."""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile

SKIP = 77

# Calls that change the file system whatever their arguments.
FORBIDDEN = {
    "creat", "rename", "renameat", "renameat2", "unlink", "unlinkat", "rmdir", "truncate",
    "ftruncate", "mkdir", "mkdirat", "link", "linkat", "symlink", "symlinkat", "chmod", "fchmod",
    "fchmodat", "fchmodat2", "chown", "fchown", "fchownat", "lchown", "utime", "utimes",
    "utimensat", "futimesat", "mknod", "mknodat", "fallocate", "setxattr", "lsetxattr",
    "fsetxattr", "removexattr", "lremovexattr", "fremovexattr",
}
OPENS = {"open", "openat", "openat2"}
WRITE_FLAGS = re.compile(r"\bO_(WRONLY|RDWR|CREAT|TRUNC|APPEND)\b")
CALL = re.compile(r"^(?:\[pid\s+\d+\]\s*|\d+\s+)?([a-z_0-9]+)\((.*)$")


def calls(trace_file):  # (line, call name, arguments)
    with open(trace_file, encoding="latin-1") as f:
        return [(line.strip(), m.group(1), m.group(2)) for line in f for m in [CALL.match(line.strip())] if m]


def violations(trace_file):
    return [line for line, name, rest in calls(trace_file)
            if name in FORBIDDEN or (name in OPENS and WRITE_FLAGS.search(rest))]


def traced_paths(trace_file):
    """The quoted paths of every traced call but the program's own start (its arguments are quoted too)."""
    return [p for _, name, rest in calls(trace_file) if name != "execve"
            for p in re.findall(r'"((?:[^"\\]|\\.)*)"', rest)]


def main():
    ap = argparse.ArgumentParser()
    for option in ("--rqtrace", "--rqtracker", "--rqsample"):
        ap.add_argument(option, required=True)
    a = ap.parse_args()

    strace = shutil.which("strace")
    if strace is None:
        print("SKIPPED: strace is not installed (apt-get install strace)")
        return SKIP
    work = tempfile.mkdtemp(prefix="rq-readonly-")
    try:
        traced = [strace, "-f", "-qq", "-e", "trace=%file,%desc", "-o"]
        # The detector must see a write where there is one, or its silence proves nothing.
        control = os.path.join(work, "control")
        probe = subprocess.run(traced + [control, sys.executable, "-c", f"open({os.path.join(work, 'w')!r}, 'w')"],
                               stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        if probe.returncode != 0:
            print("SKIPPED: strace cannot trace here: " + probe.stderr.decode(errors="replace"))
            return SKIP
        if not violations(control):
            print("FAILED: a traced write went unnoticed; the strace output is not understood")
            return 1

        sample = os.path.join(work, "sample")
        gen = subprocess.run([a.rqsample, sample, "--days", "2", "--seed", "5"],
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, check=True)
        listing = gen.stdout.decode()
        ids = re.findall(r"^  ([0-9A-F]{8})  ", listing, re.M)
        if not ids:
            print("FAILED: rqsample listed no message IDs:\n" + listing)
            return 1
        day = re.search(r"--date (\d{6})", listing).group(1)
        mapping = re.search(r'--map "([^"]+)"', listing).group(1)
        opts = ["--settings", os.path.join(sample, "settings.reg"), "--map", mapping]
        # A file where an ID with "..", if it were ever joined to the inbound folder, would lead.
        with open(os.path.join(sample, "Connectors", "SMTP", "escape"), "wb") as f:
            f.write(b"x")

        # (program, arguments after the settings options, standard input)
        runs = [("rqtrace", [cmd, "--date", day] + more + [i], b"") for cmd, more, some in (
            ("split", ["--days-back", "2"], ids[:2]), ("trace", [], ids), ("trace", ["--backtrace"], ids),
            ("show", [], ids[:2])) for i in some]
        runs += [("rqtrace", args.split("|"), b"") for args in (
            f"search|--date|{day}|--sender|@", f"search|--date|{day}|--recipient|e|--json",
            f"search|--date|{day}|--recipient|e|--backtrace", f"search|--date|{day}",
            f"search|--date|{day}|--connector|SF|--sender|a", "dates", "dates|--connector|SF", "check",
            f"trace|--date|{day}|../escape", f"trace|--date|{day}|NOTTHERE", "split|NOTTHERE",
            f"story|--date|{day}|--redact|{ids[0]}", "story|../escape")]
        runs += [("rqtracker", ["--console", "/trace " + ids[0]], b"y\ny\nn\n"),
                 ("rqtracker", ["--console", "/trace", "NOTTHERE"], b"y\ny\ny\n"),
                 ("rqtracker", ["--console", "/trace", "../escape"], b""), ("rqtracker", ["--console"], b"")]
        runs = [(prog, opts + args, stdin) for prog, args, stdin in runs]
        runs += [(prog, args, b"") for prog in ("rqtrace", "rqtracker") for args in (["--help"], ["--version"])]
        runs += [("rqtrace", ["--settings", os.path.join(work, "missing.reg"), "check"], b""), ("rqtrace", [], b"")]

        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        env["LC_ALL"] = "C"
        # The leak checker stops the world with ptrace, which strace already holds.
        env["ASAN_OPTIONS"] = (env.get("ASAN_OPTIONS", "") + ":detect_leaks=0").lstrip(":")
        failures, logs_read = [], 0
        for n, (prog, args, stdin) in enumerate(runs):
            log = os.path.join(work, f"trace{n}")
            cmd = traced + [log, a.rqtrace if prog == "rqtrace" else a.rqtracker] + args
            proc = subprocess.run(cmd, input=stdin, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                  env=env, timeout=120)
            shown = prog + " " + " ".join(args)
            if proc.returncode not in (0, 1, 2):
                failures.append(f"{shown}: exit {proc.returncode}: {proc.stderr[-500:]!r}")
            logs_read += sum(1 for p in traced_paths(log) if p.endswith(".log"))
            failures += [f"{shown}: {v}" for v in violations(log)]
            failures += [f"{shown}: looked outside the inbound folder: {p}" for p in traced_paths(log)
                         if p.endswith("escape") and "Inbound" not in p]
        print(f"{len(runs)} runs traced, {logs_read} log file calls seen")
        if logs_read == 0:
            failures.append("no run touched a log file: the trace saw nothing")
        if failures:
            print("FAILED:\n" + "\n".join(failures))
            return 1
        print("passed: nothing was opened for writing, created, renamed, removed or truncated")
        return 0
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())

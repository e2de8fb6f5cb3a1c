#!/usr/bin/env python3
"""rqtrace and rqtracker --console on hostile and changing files, each case on a server of its own:
a result or a clear error in time, never a crash, sanitizer report or hang. Exit 0, 1 or 77 (skipped)."""

import argparse
import json
import os
import resource
import shutil
import stat
import subprocess
import sys
import tempfile
import time

DAY = "240105"
SKIP = 77


class Failure(Exception): pass  # noqa: E701


class Skip(Exception): pass  # noqa: E701


def check(cond, what):
    if not cond:
        raise Failure(what)


class Server:
    """settings.reg, logs/<code>/<prefix>-<kind>-240105.log and root/SMTP/Inbound."""

    def __init__(self, programs):
        self.programs, self.dir = programs, tempfile.mkdtemp(prefix="rq-hostile-")
        os.chmod(self.dir, 0o755)
        self.logs, self.root = os.path.join(self.dir, "logs"), os.path.join(self.dir, "root")
        for d in ["MTA", "SMTP", "SF", "LS", os.path.join(self.root, "SMTP", "Inbound")]:
            os.makedirs(os.path.join(self.logs, d))
        self.settings = os.path.join(self.dir, "settings.reg")
        self.write_settings(self.settings_text())

    def settings_text(self, extra=""):
        return ("REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Raven Quill\\Raven Quill]\r\n"
                f"\"Activity Log Directory\"=\"{self.logs}\"\r\n"
                f"\"Debug Log File Directory\"=\"{self.logs}\"\r\n"
                "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Raven Quill\\Raven Quill\\Connectors]\r\n"
                f"\"Connector Root Directory\"=\"{self.root}\"\r\n" + extra)

    def write_settings(self, data):
        write(self.settings, data.encode("latin-1") if isinstance(data, str) else data)

    def log(self, code="SMTP", kind="Activity"):
        return os.path.join(self.logs, code, f"{'POC' if code == 'SF' else code}-{kind}-{DAY}.log")

    def start(self, program, args, user=None):
        cmd = (user or []) + [self.programs[program], "--settings", self.settings] + args
        env = {k: v for k, v in os.environ.items() if k not in ("RQTRACKER_SETTINGS", "DISPLAY", "WAYLAND_DISPLAY")}
        env["LC_ALL"] = "C"
        proc = subprocess.Popen(cmd, stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=env)
        proc.cmd, proc.rss_before = cmd, resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
        return proc

    def finish(self, proc, timeout=60, stdin=b"", ok=(0, 1)):
        """Fails on a hang, signal, sanitizer report or status not in `ok`; (status, out, err, peak KiB)."""
        try:
            out, err = proc.communicate(stdin, timeout=timeout)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.communicate()
            raise Failure(f"hang: {' '.join(map(os.fsdecode, proc.cmd))[:300]} did not end within {timeout} s")
        peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
        err = err.decode("latin-1")
        what = f"{' '.join(map(os.fsdecode, proc.cmd))[:300]} -> {proc.returncode}; stderr: {err[:600]}"
        check(proc.returncode >= 0, "killed by a signal: " + what)
        check("Sanitizer" not in err and "runtime error:" not in err, "sanitizer report: " + what)
        check(proc.returncode in ok, "unexpected exit status: " + what)
        return proc.returncode, out, err, peak if peak > proc.rss_before else None

    def run(self, program, args, timeout=60, stdin=b"", user=None, ok=(0, 1)):
        return self.finish(self.start(program, args, user), timeout, stdin, ok)


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def found_lines(out):
    return [line + b"\r\n" for line in out.split(b"\r\n") if line and not line.startswith(b"Status: ")]


def activity_line(time_, msg_id, verb, arg, direction="SMTP-IN"):
    return f"{time_}\t{direction}\t{msg_id}\t1\t10.0.0.9\t{verb}\t{arg}\r\n".encode("latin-1")


def standard_logs(s):
    write(s.log(), activity_line("12:00:00", "P1", "MAIL", "FROM:<ann@example.org>")
          + activity_line("12:00:01", "P1", "RCPT", "TO:<bob@example.net>")
          + activity_line("12:00:05", "C1", "RCPT", "TO:<bob@example.net>", "SMTP-OU"))
    write(s.log("SMTP", "Debug"),
          b"2024-01-05 12:00:02 RQ-I0018: [P1] requeued as [C1] target domain [example.net]\r\n"
          b"2024-01-05 12:00:02 RQ-I0018: [P1] requeued as [C2] target domain [example.com]\r\n"
          b"2024-01-05 12:00:05 delivered [C1] to example.net\r\n")
    write(s.log("MTA", "Debug"), b"240105 12:00:01\tMTA [P1] from [SMTP] x y z [SMTP] q r [Q1] RQ-MTA-ROUTE\r\n")


# Logs that change while read: a big log lets the change land mid-read, at several moments.

def big_activity(path, head=b"", tail=b""):  # about 30 MB of filler
    write(path, head + activity_line("11:00:00", "FILL0000", "RCPT", "TO:<someone@example.com>") * 400_000 + tail)


def while_changing(s, original, args, change, delays):
    """For each delay: the log copied from `original`, the program started, `change` made after the delay."""
    results = []
    for delay in delays:
        shutil.copyfile(original, s.log())
        proc = s.start("rqtrace", args)
        time.sleep(delay)
        change()
        results.append(s.finish(proc, timeout=120))
    return results


def case_append_while_reading(s):
    head = activity_line("10:00:00", "P1", "MAIL", "FROM:<ann@example.org>")
    big_activity(s.log(), head=head)
    code = ("import sys,time\nf=open(sys.argv[1],'ab',buffering=0)\n"
            "line=b'13:00:00\\tSMTP-IN\\tNEW1\\t1\\t10.0.0.9\\tMAIL\\tFROM:<ann@example.org>\\r\\n'\n"
            "end=time.time()+4\nwhile time.time()<end:\n f.write(line*50); time.sleep(0.001)\n")
    writer = subprocess.Popen([sys.executable, "-c", code, s.log()])  # another process, as the server
    try:
        for _ in range(3):
            status, out, _, _ = s.run("rqtrace", ["search", "--date", DAY, "--sender", "ann@"])
            rows = out.split(b"\n")
            check(status == 0 and rows[0].split(b"\t")[1] == b"P1", f"P1 is the first row, got {rows[0][:80]!r}")
            # Later rows are lines the writer added meanwhile; only the very last line read may
            # be one the writer had not finished, since a last line counts without its break.
            full = b"13:00:00\tNEW1\t10.0.0.9 FROM:<ann@example.org>"
            rows = [row for row in rows[1:] if row]
            for i, row in enumerate(rows):
                check(row == full or (i == len(rows) - 1 and full.startswith(row)), f"a torn row: {row[:120]!r}")
            status, out, _, _ = s.run("rqtrace", ["show", "--date", DAY, "P1"])
            check(status == 0 and found_lines(out) == [head], "show finds P1")
    finally:
        writer.wait()


def case_truncate_while_reading(s):
    original = s.log() + ".orig"
    big_activity(original, tail=activity_line("14:00:00", "P9", "MAIL", "FROM:<ann@example.org>"))
    for args in (["search", "--date", DAY, "--sender", "ann"], ["show", "--date", DAY, "P9"]):
        while_changing(s, original, args, lambda: os.truncate(s.log(), 1000), [0.0, 0.02, 0.05, 0.1, 0.2])


def case_rotate_while_reading(s):
    tail = activity_line("14:00:00", "P9", "MAIL", "FROM:<ann@example.org>")
    original = s.log() + ".orig"
    big_activity(original, tail=tail)

    def rotate():
        os.rename(s.log(), s.log() + ".1")
        write(s.log(), activity_line("00:00:01", "NEXT", "MAIL", "FROM:<x@y>"))

    # Whichever file was open goes on being read to its end: the old one holds P9, the new one
    # (opened after the rename) does not.
    for status, out, _, _ in while_changing(s, original, ["show", "--date", DAY, "P9"], rotate, [0.0, 0.05, 0.15]):
        check(status == 1 or found_lines(out) == [tail], f"the old file's P9 line, got {out[:100]!r}")


# Log names that are not ordinary files: nothing found, and no log date.

def expect_nothing_found(s, make):
    for path in (s.log(), s.log("SMTP", "Debug")):
        if os.path.lexists(path):
            os.remove(path)
        make(path)
    for args in (["search", "--date", DAY, "--sender", "ann"], ["show", "--date", DAY, "P1"],
                 ["split", "--date", DAY, "P1"]):
        status, out, _, _ = s.run("rqtrace", args, timeout=20)
        check(status == 1 and out == b"", f"{args[0]}: nothing found, got {status} {out[:80]!r}")
    status, out, _, _ = s.run("rqtrace", ["dates"], timeout=20)
    check(DAY.encode() not in out, "a log that is no ordinary file is no log date")


def case_log_is_fifo(s):
    expect_nothing_found(s, os.mkfifo)
    # A FIFO where the inbound queue's message file would be: tested, never opened.
    os.mkfifo(os.path.join(s.root, "SMTP", "Inbound", "P7"))
    status, out, _, _ = s.run("rqtrace", ["trace", "--date", DAY, "P7"], timeout=20)
    check(b"was not routed" in out, "a FIFO is no message waiting in the queue")


def case_log_is_directory(s): expect_nothing_found(s, os.mkdir)  # noqa: E704


def case_dangling_symlink(s): expect_nothing_found(s, lambda p: os.symlink(p + ".nowhere", p))  # noqa: E704


def case_unreadable(s):
    setpriv = shutil.which("setpriv")
    prefix = [] if os.geteuid() != 0 else [setpriv, "--reuid=65534", "--regid=65534", "--clear-groups"] if setpriv else None
    if prefix is None or any(subprocess.run(prefix + [p, "--version"], capture_output=True).returncode for p in s.programs.values()):
        raise Skip("root without setpriv, or the programs cannot be run unprivileged from this build directory")
    standard_logs(s)
    for path in (s.log(), s.log("SMTP", "Debug"), s.log("MTA", "Debug")):
        os.chmod(path, 0)
    for d in [s.settings] + [d for top in (s.logs, s.root) for d, _, _ in os.walk(top)]:
        os.chmod(d, 0o644 if d == s.settings else 0o755)
    status, out, _, _ = s.run("rqtrace", ["show", "--date", DAY, "P1"], user=prefix)
    check(status == 1 and out == b"", f"an unreadable log is nothing found, got {status}")
    s.run("rqtrace", ["trace", "--date", DAY, "P1"], user=prefix)
    os.chmod(s.settings, 0)
    _, _, err, _ = s.run("rqtrace", ["check"], user=prefix, ok=(2,))
    check(s.settings in err, "an unreadable settings file is named in the error")


def case_log_cannot_be_read_whole(s):
    # A log that opens but fails when read, as /proc/self/mem does at byte 0: no answer, status 3, the file named.
    for path in (s.log(), s.log("SMTP", "Debug"), s.log("MTA", "Debug")):
        os.symlink("/proc/self/mem", path)
    for args in ("show P1", "show P1 --date 240104..240105", "search --sender ann", "trace P1", "split P1",
                 "story P1", "report"):
        _, out, err, _ = s.run("rqtrace", args.split() + ["--date", DAY] * ("--date" not in args), ok=(3,))
        check(out == b"" and s.logs in err, f"{args}: the unread log named, got {err!r}")


def case_odd_bytes(s):
    # NUL and 0x1A end no reading; bytes that are not UTF-8 are Windows-1252 text.
    standard_logs(s)
    write(s.log(), b"\x00\x00\x1a\r\n" + activity_line("12:00:00", "P1", "MAIL", "FROM:<ann@example.org>\x00\x1a")
          + b"\x1a" * 10 + b"\r\n" + activity_line("12:00:09", "P1", "RCPT", "TO:<after-eof@example.net>")
          + b"\x00" * 100 + b"P1 \x1a last line without a break")
    status, out, _, _ = s.run("rqtrace", ["show", "--date", DAY, "P1"])
    found = [line for line in found_lines(out) if b"P1" in line]
    check(status == 0 and len(found) == 3, f"three lines, got {found!r}")
    check(found[1].endswith(b"TO:<after-eof@example.net>\r\n"), "the line after 0x1A bytes is read")
    check(found[2].endswith(b"P1 \x1a last line without a break\r\n"), "the last line is read")
    status, out, _, _ = s.run("rqtrace", ["search", "--date", DAY, "--recipient", "AFTER-EOF"])
    check(status == 0 and b"\tP1\t" in out, "search sees past 0x1A")
    with open(s.log(), "ab") as f:
        f.write(activity_line("12:01:00", "P\xe92", "MAIL", "FROM:<\xe9lise\xff\x80@x.fr>"))
    status, out, _, _ = s.run("rqtrace", ["search", "--date", DAY, "--sender", b"\xc9LISE"])
    check(status == 0 and b"\xe9lise\xff\x80" in out, "plain output keeps the log's bytes")
    rows = json.loads(s.run("rqtrace", ["search", "--date", DAY, "--sender", "lise", "--json"])[1])
    check(rows[0]["messageId"] == "P\u00e92", f"JSON shows Windows-1252 text, got {rows!r}")
    # A forged line with an empty ID links nothing to it: an empty ID would be in every line.
    with open(s.log("SMTP", "Debug"), "ab") as f:
        f.write(b"2024-01-05 12:00:03 RQ-I0018: [] requeued as [C3] target domain [example.net]\r\n")
    story = json.loads(s.run("rqtrace", ["story", "--date", DAY, "C3", "--json"])[1])
    check(all(hop["messageId"] for hop in story["hops"]), f"a hop without an ID in {story!r}")


def case_heavy_over_4gib(s):
    """A sparse log (NULs) with a line of over 2 GiB, breaks every 256 MiB after it, a line of P1
    across the 4 GiB mark and one at the very end; a searching reader never holds a huge line."""
    first = activity_line("12:00:00", "P1", "MAIL", "FROM:<ann@example.org>")
    across = activity_line("12:00:05", "P1", "RCPT", "TO:<across-4gib@example.net>")
    last = activity_line("12:00:09", "P1", "RCPT", "TO:<last@example.net>")
    size, mib = (4 << 30) + (512 << 20), 1 << 20
    pieces = [(0, first)] + [(mark, b"\r\n") for mark in range((2 << 30) + 8 * mib, size - 256 * mib, 256 * mib)]
    pieces += [((4 << 30) - 20, b"\r\n" + across), (size - len(last) - 2, b"\r\n" + last)]
    standard_logs(s)
    with open(s.log(), "wb") as f:
        f.truncate(size)
        for offset, data in pieces:
            f.seek(offset)
            f.write(data)
    status, out, _, peak = s.run("rqtrace", ["show", "--date", DAY, "P1"], timeout=300)
    check(peak is None or peak < 600 * 1024, f"peak memory {peak} KiB")
    check(status == 0 and found_lines(out) == [first, across, last], f"lines around the marks, got {out[:300]!r}")
    status, out, _, _ = s.run("rqtrace", ["search", "--date", DAY, "--recipient", "LAST@"], timeout=300)
    check(status == 0 and out.count(b"\n") == 1, "search finds the origin after the long lines")


# Hostile settings files: a result, or exit 2 with one error naming the file.

def case_settings_hostile(s):
    standard_logs(s)
    s.write_settings(s.settings_text(
        f"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Big]\r\n\"Ten megabytes\"=\"{'v' * (10 << 20)}\"\r\n"
        "\"Bin\"=hex:" + ",\\\r\n  ".join(["00,01,02,03,04,05,06,07"] * 50000) + "\r\n"))
    check(s.run("rqtrace", ["show", "--date", DAY, "P1"])[0] == 0, "a 10 MB value does not stop the trace")
    keys = "".join(f"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Many\\K{i}]\r\n\"V\"=dword:{i:08x}\r\n" for i in range(100_000))
    s.write_settings(b"\xff\xfe" + s.settings_text(keys).encode("utf-16-le"))
    check(s.run("rqtrace", ["show", "--date", DAY, "P1"])[0] == 0, "a hundred thousand keys do not stop the trace")
    utf16 = b"\xff\xfe" + s.settings_text().encode("utf-16-le")
    for what, make in (
            ("empty", lambda: s.write_settings(b"")),
            ("truncated inside a UTF-16 character", lambda: s.write_settings(utf16[:-1])),
            ("a line that never ends", lambda: s.write_settings(s.settings_text() + "\"Never ends\"=\"" + "x" * (4 << 20))),
            ("a UTF-16 line that never ends", lambda: s.write_settings(
                b"\xff\xfe" + ("Windows Registry Editor Version 5.00\r\n" + "y" * (2 << 20)).encode("utf-16-le"))),
            ("a FIFO", lambda: (os.remove(s.settings), os.mkfifo(s.settings))),
            ("a directory", lambda: (os.remove(s.settings), os.mkdir(s.settings))),
            ("a device", lambda: (os.rmdir(s.settings), os.symlink("/dev/zero", s.settings)))):
        make()
        _, out, err, _ = s.run("rqtrace", ["check"], timeout=30, ok=(2,))
        check(s.settings in err and out == b"", f"{what}: the error names the file, got {err!r}")
        _, _, err, _ = s.run("rqtracker", ["--console", "/trace", "P1"], timeout=30, ok=(2,))
        check(s.settings in err, f"{what}: rqtracker names the file too")


# Input from people: IDs and texts with separators, dots, format directives, controls, 64 KiB.

def tree(path):
    return {(os.path.join(d, n), st.st_size, st.st_mtime_ns, stat.S_IFMT(st.st_mode))
            for d, dirs, files in os.walk(path) for n in dirs + files
            for st in [os.lstat(os.path.join(d, n))]}


HOSTILE_TEXTS = [
    "../../../../etc/passwd", "..", ".", "/", "\\..\\..\\x", "a/b", "%s%s%s%n%x%p", "%", "'\"`$(true)",
    "; rm -rf /", "\x01\x02\x1b[31m\x7f", "\t", "\n", " ", "[P1]", "]", "[",
    "P1\r\nRQ-I0018: [P1]", "x" * 65536, "%" * 65536, ("/.." * 21000)[:65536],
]


def case_hostile_input(s):
    standard_logs(s)
    # A message file the traversal would reach if an ID were ever joined blindly to the queue.
    write(os.path.join(s.root, "SMTP", "escape"), b"x")
    before = tree(s.dir)
    for text in HOSTILE_TEXTS:  # as ID and as search text of every command
        for args in ("search --sender T", "search --recipient T --json", "search --recipient T --backtrace",
                     "show T", "trace T", "trace --backtrace T", "split --days-back 1 T"):
            args = [text if a == "T" else a for a in args.split(" ")]
            # A blank ID is bad usage (2); any other text a report or nothing found.
            status, out, _, _ = s.run("rqtrace", args[:1] + ["--date", DAY] + args[1:], 30,
                                      ok=(0, 1, 2) if text.strip() == "" else (0, 1))
            check(status != 0 or args[0] == "search" or b"\r\n" in out, f"{args}: a report, got {out[:100]!r}")
        s.run("rqtracker", ["--console", "/trace", text], 30, stdin=b"n\n", ok=(0,))
    # The same texts as dates, connector codes and path mappings.
    for text in HOSTILE_TEXTS[:12] + ["999999", "-1", "0" * 65536]:
        # None of them is a calendar day as YYMMDD: bad usage.
        s.run("rqtrace", ["search", "--date", text, "--sender", "a"], 30, ok=(2,))
        s.run("rqtrace", ["trace", "--date", text, "P1"], 30, ok=(2,))
        s.run("rqtrace", ["dates", "--connector", text], 30)
        s.run("rqtrace", ["search", "--date", DAY, "--connector", text, "--sender", "a"], 30)
        s.run("rqtrace", ["--map", text, "check"], 30, ok=(0, 1, 2))
        pair = text[:30000] + "=" + text[:30000]  # one argument may hold at most 128 KiB
        s.run("rqtrace", ["--map", pair, "show", "--date", DAY, "P1"], 30, ok=(0, 1, 2))
        s.run("rqtracker", ["--console", "--map", text, "/trace", "P1"], 30, ok=(0, 2))
    _, out, _, _ = s.run("rqtrace", ["trace", "--date", DAY, "../escape"])
    check(b"[../escape] was not routed" in out, f"an ID with a separator names no queued file: {out!r}")
    _, out, _, _ = s.run("rqtrace", ["trace", "--date", DAY, "%s%n"])
    check(b"[%s%n]" in out, "an ID is written as given, never read as a format")
    s.run("rqtracker", ["--console", "/trace", "%s%n"], stdin=b"n\n", ok=(0,))
    check(before == tree(s.dir), "no file was created, changed or removed")


CASES = {name[len("case_"):]: fn for name, fn in globals().items() if name.startswith("case_")}


def main():
    ap = argparse.ArgumentParser()
    for option in ("--rqtrace", "--rqtracker"):
        ap.add_argument(option, required=True)
    ap.add_argument("case", choices=sorted(CASES))
    a = ap.parse_args()
    s = Server({"rqtrace": a.rqtrace, "rqtracker": a.rqtracker})
    try:
        CASES[a.case](s)
        return print("passed") or 0
    except (Skip, Failure) as e:
        print(("SKIPPED: " if isinstance(e, Skip) else "FAILED: ") + str(e))
        return SKIP if isinstance(e, Skip) else 1
    finally:
        shutil.rmtree(s.dir, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())

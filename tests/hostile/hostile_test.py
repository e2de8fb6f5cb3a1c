#!/usr/bin/env python3
"""End-to-end runs of rqtrace and rqtracker --console on hostile and changing files.

Every case builds a small server of its own in a temporary directory (a settings file written
here, logs written here) and runs the real programs on it. The promise checked is always the same:
the program ends within its time limit with a result or a clear error, never with a crash, a
sanitizer report or a hang. Cases that can say more (which lines must be found, how much memory
may be used) check that too.

    hostile_test.py --rqtrace PATH --rqtracker PATH CASE
Exit 0 passed, 1 failed, 77 skipped.
"""

import argparse
import json
import os
import resource
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
import threading
import time

DAY = "240105"
SKIP = 77


class Failure(Exception):
    pass


class Skip(Exception):
    pass


def check(cond, what):
    if not cond:
        raise Failure(what)


class Server:
    """A server of our own: settings.reg, logs/<code>/<prefix>-<kind>-240105.log, root/SMTP/Inbound."""

    def __init__(self, programs):
        self.programs = programs
        self.dir = tempfile.mkdtemp(prefix="rq-hostile-")
        os.chmod(self.dir, 0o755)
        self.logs = os.path.join(self.dir, "logs")
        self.root = os.path.join(self.dir, "root")
        for code in ("MTA", "SMTP", "SF", "LS"):
            os.makedirs(os.path.join(self.logs, code))
        os.makedirs(os.path.join(self.root, "SMTP", "Inbound"))
        self.settings = os.path.join(self.dir, "settings.reg")
        self.write_settings(self.settings_text())

    def settings_text(self, extra=""):
        return ("REGEDIT4\r\n"
                "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Raven Quill\\Raven Quill]\r\n"
                f"\"Activity Log Directory\"=\"{self.logs}\"\r\n"
                f"\"Debug Log File Directory\"=\"{self.logs}\"\r\n"
                "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Raven Quill\\Raven Quill\\Connectors]\r\n"
                f"\"Connector Root Directory\"=\"{self.root}\"\r\n" + extra)

    def write_settings(self, text_or_bytes):
        data = text_or_bytes.encode("latin-1") if isinstance(text_or_bytes, str) else text_or_bytes
        with open(self.settings, "wb") as f:
            f.write(data)

    def log(self, code, kind):
        prefix = "POC" if code == "SF" else code
        return os.path.join(self.logs, code, f"{prefix}-{kind}-{DAY}.log")

    def activity(self):
        return self.log("SMTP", "Activity")

    def debug(self):
        return self.log("SMTP", "Debug")

    def close(self):
        shutil.rmtree(self.dir, ignore_errors=True)

    def run(self, program, args, timeout=60, stdin=b"", settings=True, user=None, ok=(0, 1)):
        """Runs rqtrace or rqtracker; fails on a hang, a signal, a sanitizer report or a status
        outside `ok`. Returns (status, stdout bytes, stderr text, peak RSS of the child in KiB)."""
        cmd = [self.programs[program]]
        if settings:
            cmd += ["--settings", self.settings]
        cmd += args
        if user is not None:
            cmd = user + cmd
        env = dict(os.environ, LC_ALL="C")
        env.pop("RQTRACKER_SETTINGS", None)
        env.pop("DISPLAY", None)
        env.pop("WAYLAND_DISPLAY", None)
        before = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
        try:
            proc = subprocess.run(cmd, input=stdin, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                  timeout=timeout, env=env)
        except subprocess.TimeoutExpired:
            raise Failure(f"hang: {printable(cmd)} did not end within {timeout} s")
        peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
        err = proc.stderr.decode("latin-1")
        what = f"{printable(cmd)} -> {proc.returncode}; stderr: {err[:600]}"
        check(proc.returncode >= 0, "killed by a signal: " + what)
        check("Sanitizer" not in err and "runtime error:" not in err, "sanitizer report: " + what)
        check(proc.returncode in ok, "unexpected exit status: " + what)
        return proc.returncode, proc.stdout, err, peak if peak > before else None


def printable(cmd):
    out = " ".join(os.fsdecode(c) for c in cmd)
    return out if len(out) < 300 else out[:300] + "..."


def found_lines(out):
    """The log lines of a show report: every line but the heading and the empty ones."""
    return [line + b"\r\n" for line in out.split(b"\r\n") if line and not line.startswith(b"Status: ")]


def activity_line(time_, msg_id, verb, arg, direction="SMTP-IN"):
    return f"{time_}\t{direction}\t{msg_id}\t1\t10.0.0.9\t{verb}\t{arg}\r\n".encode("latin-1")


def standard_logs(s):
    """A message P1 received from ann@example.org and split into copies C1 and C2."""
    with open(s.activity(), "wb") as f:
        f.write(activity_line("12:00:00", "P1", "MAIL", "FROM:<ann@example.org>"))
        f.write(activity_line("12:00:01", "P1", "RCPT", "TO:<bob@example.net>"))
        f.write(activity_line("12:00:05", "C1", "RCPT", "TO:<bob@example.net>", "SMTP-OU"))
    with open(s.debug(), "wb") as f:
        f.write(b"2024-01-05 12:00:02 RQ-I0018: [P1] requeued as [C1] target domain [example.net]\r\n")
        f.write(b"2024-01-05 12:00:02 RQ-I0018: [P1] requeued as [C2] target domain [example.com]\r\n")
        f.write(b"2024-01-05 12:00:05 delivered [C1] to example.net\r\n")
    with open(s.log("MTA", "Debug"), "wb") as f:
        f.write(b"240105 12:00:01\tMTA [P1] from [SMTP] x y z [SMTP] q r [Q1] RQ-MTA-ROUTE\r\n")


def every_command(s, msg_id="P1", text="ann", timeout=60):
    """Runs each command once; returns {name: (status, stdout)}."""
    out = {}
    for name, args in (
            ("search", ["search", "--date", DAY, "--sender", text]),
            ("search-recipient", ["search", "--date", DAY, "--recipient", text, "--json"]),
            ("search-back", ["search", "--date", DAY, "--recipient", text, "--backtrace"]),
            ("show", ["show", "--date", DAY, msg_id]),
            ("trace", ["trace", "--date", DAY, msg_id]),
            ("trace-back", ["trace", "--date", DAY, "--backtrace", msg_id]),
            ("split", ["split", "--date", DAY, "--days-back", "1", msg_id]),
            ("dates", ["dates"]),
            ("check", ["check"])):
        status, stdout, _, _ = s.run("rqtrace", args, timeout=timeout)
        out[name] = (status, stdout)
    status, stdout, _, _ = s.run("rqtracker", ["--console", "/trace", msg_id], timeout=timeout,
                                 stdin=b"n\n", ok=(0,))
    out["console"] = (status, stdout)
    return out


# ---------------------------------------------------------------------------------------------
# Logs that change while they are read. A big log makes the read take long enough for the change
# to land in the middle of it; each case repeats with the change at different moments.

BIG_LINES = 400_000  # about 30 MB


def big_activity(path, lines=BIG_LINES, head=b"", tail=b""):
    filler = activity_line("11:00:00", "FILL0000", "RCPT", "TO:<someone@example.com>") * 1000
    with open(path, "wb") as f:
        f.write(head)
        for _ in range(lines // 1000):
            f.write(filler)
        f.write(tail)


def run_while(s, args, change, delays, ok=(0, 1)):
    """Starts the program, applies `change` after each delay in turn, waits for the end."""
    results = []
    for delay in delays:
        result = {}

        def target():
            result["r"] = s.run("rqtrace", args, ok=ok)
        t = threading.Thread(target=target)
        t.start()
        time.sleep(delay)
        change(delay)
        t.join(120)
        check(not t.is_alive(), "the program did not end")
        if "r" not in result:
            raise Failure("the run failed (see above)")
        results.append(result["r"])
    return results


def case_append_while_reading(s):
    head = activity_line("10:00:00", "P1", "MAIL", "FROM:<ann@example.org>")
    big_activity(s.activity(), head=head)
    stop = threading.Event()

    def writer():
        # Another process, as the server would be.
        code = ("import sys,time\n"
                "f=open(sys.argv[1],'ab',buffering=0)\n"
                "line=b'13:00:00\\tSMTP-IN\\tNEW1\\t1\\t10.0.0.9\\tMAIL\\tFROM:<ann@example.org>\\r\\n'\n"
                "end=time.time()+float(sys.argv[2])\n"
                "while time.time()<end:\n"
                " f.write(line*50); time.sleep(0.001)\n")
        subprocess.run([sys.executable, "-c", code, s.activity(), "4"], check=True)
        stop.set()

    w = threading.Thread(target=writer)
    w.start()
    try:
        for _ in range(3):
            status, out, _, _ = s.run("rqtrace", ["search", "--date", DAY, "--sender", "ann@"])
            check(status == 0, "the origin that was there from the start must be found")
            rows = out.split(b"\n")
            check(rows[0].split(b"\t")[1] == b"P1", f"first row is P1, got {rows[0][:80]!r}")
            # Later rows are lines the writer added meanwhile; only the very last line read may
            # be one the writer had not finished, since a last line counts without its break.
            full = b"13:00:00\tNEW1\t10.0.0.9 FROM:<ann@example.org>"
            rows = [row for row in rows[1:] if row]
            for i, row in enumerate(rows):
                check(row == full or (i == len(rows) - 1 and full.startswith(row)),
                      f"a torn row: {row[:120]!r}")
            status, out, _, _ = s.run("rqtrace", ["show", "--date", DAY, "P1"])
            check(status == 0 and found_lines(out) == [head], "show finds P1")
    finally:
        w.join()


def case_truncate_while_reading(s):
    tail = activity_line("14:00:00", "P9", "MAIL", "FROM:<ann@example.org>")
    original = s.activity() + ".orig"
    big_activity(original, tail=tail)

    def change(_):
        os.truncate(s.activity(), 1000)

    delays = [0.0, 0.02, 0.05, 0.1, 0.2]
    for delay in delays:
        shutil.copyfile(original, s.activity())
        run_while(s, ["search", "--date", DAY, "--sender", "ann"], change, [delay])
        shutil.copyfile(original, s.activity())
        run_while(s, ["show", "--date", DAY, "P9"], change, [delay])


def case_truncate_long_matching_line(s):
    # A line longer than the line source's long-line limit that holds a match is read again from
    # its start; here the file is cut short between the two readings.
    original = s.activity() + ".orig"
    with open(original, "wb") as f:
        f.write(b"12:00:00\tSMTP-IN\tP1\t1\t10.0.0.9\tMAIL\tFROM:<ann@example.org>")
        f.write(b"x" * (64 << 20))
        f.write(b"\r\n" + activity_line("12:00:01", "P1", "RCPT", "TO:<bob@example.net>"))

    def change(_):
        os.truncate(s.activity(), 10)

    for delay in (0.0, 0.03, 0.08, 0.15, 0.3):
        shutil.copyfile(original, s.activity())
        run_while(s, ["show", "--date", DAY, "P1"], change, [delay])


def case_rotate_while_reading(s):
    tail = activity_line("14:00:00", "P9", "MAIL", "FROM:<ann@example.org>")
    original = s.activity() + ".orig"
    big_activity(original, tail=tail)

    def change(_):
        os.rename(s.activity(), s.activity() + ".1")
        with open(s.activity(), "wb") as f:
            f.write(activity_line("00:00:01", "NEXT", "MAIL", "FROM:<x@y>"))

    for delay in (0.0, 0.05, 0.15):
        shutil.copyfile(original, s.activity())
        (status, out, _, _), = run_while(s, ["show", "--date", DAY, "P9"], change, [delay])
        # Whichever file was open goes on being read to its end: the old one holds P9, the new
        # one (opened after the rename) does not.
        check(status in (0, 1), "show ends")
        if status == 0:
            check(found_lines(out) == [tail], f"the old file's P9 line, got {out[:100]!r}")


# ---------------------------------------------------------------------------------------------
# Log names that are not ordinary files.

def expect_nothing_found(s):
    for name, args in (("search", ["search", "--date", DAY, "--sender", "ann"]),
                       ("show", ["show", "--date", DAY, "P1"]),
                       ("split", ["split", "--date", DAY, "P1"])):
        status, out, _, _ = s.run("rqtrace", args, timeout=20)
        check(status == 1 and out == b"", f"{name}: nothing found, got {status} {out[:80]!r}")
    status, out, _, _ = s.run("rqtrace", ["dates"], timeout=20)
    check(DAY.encode() not in out, "a log that is no ordinary file is no log date")


def replace_logs(s, make):
    for path in (s.activity(), s.debug()):
        if os.path.lexists(path):
            os.remove(path)
        make(path)


def case_log_is_directory(s):
    replace_logs(s, os.mkdir)
    expect_nothing_found(s)


def case_log_is_fifo(s):
    replace_logs(s, os.mkfifo)
    expect_nothing_found(s)
    # A FIFO where the inbound queue's message file would be: tested, never opened.
    os.mkfifo(os.path.join(s.root, "SMTP", "Inbound", "P7"))
    status, out, _, _ = s.run("rqtrace", ["trace", "--date", DAY, "P7"], timeout=20)
    check(b"was not routed" in out, "a FIFO is no message waiting in the queue")


def case_dangling_symlink(s):
    replace_logs(s, lambda p: os.symlink(p + ".nowhere", p))
    expect_nothing_found(s)


def case_looping_symlink(s):
    replace_logs(s, lambda p: os.symlink(p, p))
    expect_nothing_found(s)


def as_other_user():
    """A command prefix that runs as an unprivileged user, or None."""
    if os.geteuid() != 0:
        return []
    setpriv = shutil.which("setpriv")
    if setpriv is None:
        return None
    return [setpriv, "--reuid=65534", "--regid=65534", "--clear-groups"]


def case_unreadable(s):
    prefix = as_other_user()
    if prefix is None:
        raise Skip("running as root without setpriv: file permissions would not count")
    for p in (s.programs["rqtrace"], s.programs["rqtracker"]):
        if subprocess.run(prefix + [p, "--version"], stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL).returncode != 0:
            raise Skip("the programs cannot be run by an unprivileged user from this build directory")
    standard_logs(s)
    for path in (s.activity(), s.debug(), s.log("MTA", "Debug")):
        os.chmod(path, 0)
    for d in (s.logs, s.root):
        for dirpath, dirnames, _ in os.walk(d):
            os.chmod(dirpath, 0o755)
    os.chmod(s.settings, 0o644)
    status, out, err, _ = s.run("rqtrace", ["show", "--date", DAY, "P1"], user=prefix)
    check(status == 1 and out == b"", f"an unreadable log is nothing found, got {status}")
    status, out, err, _ = s.run("rqtrace", ["trace", "--date", DAY, "P1"], user=prefix)
    check(status in (0, 1), "trace ends")
    os.chmod(s.settings, 0)
    status, out, err, _ = s.run("rqtrace", ["check"], user=prefix, ok=(2,))
    check(s.settings in err, "an unreadable settings file is named in the error")


# ---------------------------------------------------------------------------------------------
# Odd contents.

def case_empty_and_breaks_only(s):
    for content in (b"", b"\r\n" * 5000, b"\n" * 5000, b"\r" * 5000, b"\r\n\n\r" * 2000):
        for path in (s.activity(), s.debug(), s.log("MTA", "Debug")):
            with open(path, "wb") as f:
                f.write(content)
        results = every_command(s)
        for name in ("search", "show", "split"):
            check(results[name][0] == 1, f"{name} on an empty log: nothing found")
        check(b"was not routed" in results["trace"][1], "trace: not routed")
        check(results["dates"][1] == DAY.encode() + b"\n", "the day is listed")


def case_nul_and_eof_bytes(s):
    standard_logs(s)
    with open(s.activity(), "wb") as f:
        f.write(b"\x00\x00\x1a\r\n")
        f.write(activity_line("12:00:00", "P1", "MAIL", "FROM:<ann@example.org>\x00\x1a"))
        f.write(b"\x1a" * 10 + b"\r\n")
        f.write(activity_line("12:00:09", "P1", "RCPT", "TO:<after-eof@example.net>"))
        f.write(b"\x00" * 100 + b"P1 \x1a last line without a break")
    status, out, _, _ = s.run("rqtrace", ["show", "--date", DAY, "P1"])
    check(status == 0, "show finds P1")
    lines = out.split(b"\r\n")
    found = [line for line in lines if b"P1" in line and not line.startswith(b"Status:")]
    check(len(found) == 3, f"three lines, got {found!r}")
    check(found[1].endswith(b"TO:<after-eof@example.net>"), "the line after 0x1A bytes is read")
    check(found[2].endswith(b"P1 \x1a last line without a break"), "the last line is read")
    status, out, _, _ = s.run("rqtrace", ["search", "--date", DAY, "--recipient", "AFTER-EOF"])
    check(status == 0 and b"\tP1\t" in out, "search sees past 0x1A")


def case_not_utf8(s):
    standard_logs(s)
    with open(s.activity(), "ab") as f:
        f.write(activity_line("12:01:00", "P\xe92", "MAIL", "FROM:<\xe9lise\xff\x80@exampl\xe9.fr>"))
    status, out, _, _ = s.run("rqtrace", ["search", "--date", DAY, "--sender", b"\xc9LISE"])
    check(status == 0 and b"\xe9lise\xff\x80" in out, "plain output keeps the log's bytes")
    status, out, _, _ = s.run("rqtrace", ["search", "--date", DAY, "--sender", "lise", "--json"])
    rows = json.loads(out.decode("utf-8"))
    check(rows[0]["messageId"] == "P\u00e92", f"JSON shows Windows-1252 text, got {rows!r}")
    every_command(s, msg_id=b"P\xe92", text=b"\xff")


def sparse_with(path, pieces, size):
    """A sparse file of `size` bytes (NULs) with the given (offset, bytes) written into it."""
    with open(path, "wb") as f:
        f.truncate(size)
        for offset, data in pieces:
            f.seek(offset)
            f.write(data)


def case_heavy_2gib_line(s):
    standard_logs(s)
    first = activity_line("12:00:00", "P1", "MAIL", "FROM:<ann@example.org>")
    last = activity_line("12:00:09", "P1", "RCPT", "TO:<last@example.net>")
    size = len(first) + (2 << 30) + len(last)
    sparse_with(s.activity(), [(0, first), (size - len(last) - 2, b"\r\n" + last)], size)
    status, out, _, peak = s.run("rqtrace", ["show", "--date", DAY, "P1"], timeout=240)
    check(status == 0 and found_lines(out) == [first, last], f"the lines on both sides of the 2 GiB line, got {out[:200]!r}")
    if peak is not None:
        check(peak < 600 * 1024, f"a searching reader must not hold the 2 GiB line: peak {peak} KiB")
    status, out, _, _ = s.run("rqtrace", ["search", "--date", DAY, "--recipient", "LAST@"], timeout=240)
    check(status == 0 and out.count(b"\n") == 1, "search finds the origin after the long line")


def case_heavy_over_4gib(s):
    standard_logs(s)
    first = activity_line("12:00:00", "P1", "MAIL", "FROM:<ann@example.org>")
    across = activity_line("12:00:05", "P1", "RCPT", "TO:<across-4gib@example.net>")
    last = activity_line("12:00:09", "P1", "RCPT", "TO:<last@example.net>")
    size = (4 << 30) + (512 << 20)
    pieces = [(0, first)]
    # Line breaks every 256 MiB, a line of P1 across the 4 GiB mark, and one at the very end.
    for mark in range(256 << 20, size - (256 << 20), 256 << 20):
        pieces.append((mark, b"\r\n"))
    pieces.append(((4 << 30) - 20, b"\r\n" + across))
    pieces.append((size - len(last) - 2, b"\r\n" + last))
    sparse_with(s.activity(), pieces, size)
    status, out, _, peak = s.run("rqtrace", ["show", "--date", DAY, "P1"], timeout=300)
    check(status == 0 and found_lines(out) == [first, across, last],
          f"the lines before, across and after the 4 GiB mark, got {out[:300]!r}")
    if peak is not None:
        check(peak < 600 * 1024, f"peak memory {peak} KiB")


# ---------------------------------------------------------------------------------------------
# Hostile settings files: a result, or exit 2 with one error naming the file.

def expect_settings_error(s, what):
    status, out, err, _ = s.run("rqtrace", ["check"], timeout=30, ok=(2,))
    check(s.settings in err and out == b"", f"{what}: the error names the file, got {err!r}")
    status, out, err, _ = s.run("rqtracker", ["--console", "/trace", "P1"], timeout=30, ok=(2,))
    check(s.settings in err, f"{what}: rqtracker names the file too")


def case_settings_hostile(s):
    standard_logs(s)
    s.write_settings(b"")
    expect_settings_error(s, "empty")
    utf16 = b"\xff\xfe" + s.settings_text().encode("utf-16-le")
    s.write_settings(utf16[:-1])
    expect_settings_error(s, "truncated inside a UTF-16 character")
    s.write_settings(s.settings_text() + "\"Never ends\"=\"" + "x" * (4 << 20))
    expect_settings_error(s, "a line that never ends")
    s.write_settings(b"\xff\xfe" + ("Windows Registry Editor Version 5.00\r\n" + "y" * (2 << 20)).encode("utf-16-le"))
    expect_settings_error(s, "a UTF-16 line that never ends")
    os.remove(s.settings)
    os.mkfifo(s.settings)
    expect_settings_error(s, "a FIFO")
    os.remove(s.settings)
    os.mkdir(s.settings)
    expect_settings_error(s, "a directory")
    os.rmdir(s.settings)
    os.symlink("/dev/zero", s.settings)
    expect_settings_error(s, "a device")
    os.remove(s.settings)


def case_settings_huge(s):
    standard_logs(s)
    big = "v" * (10 << 20)
    s.write_settings(s.settings_text(
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Big]\r\n"
        f"\"Ten megabytes\"=\"{big}\"\r\n"
        "\"Bin\"=hex:" + ",\\\r\n  ".join(["00,01,02,03,04,05,06,07"] * 50000) + "\r\n"))
    status, out, _, _ = s.run("rqtrace", ["show", "--date", DAY, "P1"], timeout=60)
    check(status == 0, "a 10 MB value does not stop the trace")
    keys = "".join(f"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Many\\K{i}]\r\n\"V\"=dword:{i:08x}\r\n"
                   for i in range(100_000))
    s.write_settings(b"\xff\xfe" + s.settings_text(keys).encode("utf-16-le"))
    status, out, _, _ = s.run("rqtrace", ["show", "--date", DAY, "P1"], timeout=60)
    check(status == 0, "a hundred thousand keys do not stop the trace")


# ---------------------------------------------------------------------------------------------
# Input from people: message IDs and search texts with separators, dots, format directives,
# quotes, control characters and 64 KiB of text.

def tree(path):
    entries = set()
    for dirpath, dirnames, filenames in os.walk(path):
        for n in dirnames + filenames:
            p = os.path.join(dirpath, n)
            st = os.lstat(p)
            entries.add((p, st.st_size, st.st_mtime_ns, stat.S_IFMT(st.st_mode)))
    return entries


HOSTILE_TEXTS = [
    "../../../../etc/passwd", "..", ".", "/", "\\..\\..\\x", "a/b", "%s%s%s%n%x%p", "%", "'\"`$(true)",
    "; rm -rf /", "\x01\x02\x1b[31m\x7f", "\t", "\n", " ", "[P1]", "]", "[",
    "P1\r\nRQ-I0018: [P1]", "x" * 65536, "%" * 65536, ("/.." * 21000)[:65536],
]


def case_hostile_input(s):
    standard_logs(s)
    # A message file the traversal would reach if an ID were ever joined blindly to the queue.
    with open(os.path.join(s.root, "SMTP", "escape"), "wb") as f:
        f.write(b"x")
    before = tree(s.dir)
    for text in HOSTILE_TEXTS:
        arg = text.replace("\0", "")
        results = every_command(s, msg_id=arg, text=arg, timeout=30)
        for name in ("trace", "show"):
            status, out = results[name]
            if status == 0:
                check(out.count(b"\r\n") >= 1, f"{name}: a report, got {out[:100]!r}")
    # The same texts as dates, connector codes and path mappings.
    for text in HOSTILE_TEXTS[:12] + ["999999", "-1", "0" * 65536]:
        # A date holding ".." is a range FROM..TO, and a malformed range is bad usage.
        s.run("rqtrace", ["search", "--date", text, "--sender", "a"], timeout=30,
              ok=(0, 1, 2) if ".." in text else (0, 1))
        s.run("rqtrace", ["trace", "--date", text, "P1"], timeout=30)
        s.run("rqtrace", ["dates", "--connector", text], timeout=30)
        s.run("rqtrace", ["search", "--date", DAY, "--connector", text, "--sender", "a"], timeout=30)
        s.run("rqtrace", ["--map", text, "check"], timeout=30, ok=(0, 1, 2))
        pair = text[:30000] + "=" + text[:30000]  # one argument may hold at most 128 KiB
        s.run("rqtrace", ["--map", pair, "show", "--date", DAY, "P1"], timeout=30,
              ok=(0, 1, 2))
        s.run("rqtracker", ["--console", "--map", text, "/trace", "P1"], timeout=30, ok=(0, 2))
    status, out, _, _ = s.run("rqtrace", ["trace", "--date", DAY, "../escape"])
    check(b"[../escape] was not routed" in out, f"an ID with a separator names no queued file: {out!r}")
    status, out, _, _ = s.run("rqtrace", ["trace", "--date", DAY, "%s%n"])
    check(b"[%s%n]" in out, "an ID is written as given, never read as a format")
    status, out, _, _ = s.run("rqtracker", ["--console", "/trace", "%s%n"], stdin=b"n\n", ok=(0,))
    check(before == tree(s.dir), "no file was created, changed or removed")


CASES = {name[len("case_"):]: fn for name, fn in globals().items() if name.startswith("case_")}


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--rqtrace", required=True)
    ap.add_argument("--rqtracker", required=True)
    ap.add_argument("case", choices=sorted(CASES))
    a = ap.parse_args()
    s = Server({"rqtrace": a.rqtrace, "rqtracker": a.rqtracker})
    try:
        CASES[a.case](s)
    except Skip as e:
        print(f"SKIPPED: {e}")
        return SKIP
    except Failure as e:
        print(f"FAILED: {e}")
        return 1
    finally:
        s.close()
    print("passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())

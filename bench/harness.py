#!/usr/bin/env python3
"""Times rqtrace against the usual command-line searches on generated day logs.

Called by bench/run, which builds the programs and installs what is missing. Generates a sample
server per copy count with rqsample, warms the page cache, runs every measured command several
times interleaved (so that a disturbance hits all of them alike), and prints one table of
medians, also written as CSV. Each command's output goes into a pipe that the harness reads to
its end, as a user's terminal or script would; grep in particular stops at the first match when
its output is /dev/null.
"""

import argparse
import csv
import datetime
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

BENCH_INBOUND = "9C4E1B7702"  # the benchmark message as received
BENCH_QUEUED = "9C4E1B7703"  # its ID in the SMTP outbound queue, the parent of the copies
SENDER_TEXT = "BENCH.Sender"  # case differs from the log on purpose


def copy_id(n):
    return "%010X" % (0x9D10000000 + n)


def run_once(cmd, to_null=False):
    """Runs cmd, reading its output through a pipe; returns (seconds, CPU seconds, peak RSS KiB,
    bytes out, exit status). /usr/bin/time reports the peak memory: the command is started from
    that small program, so its figure is the command's own and not the copy of this harness that
    a fork makes before the exec. With to_null the output goes to /dev/null instead (the floor:
    cat writes it without looking at it)."""
    with tempfile.NamedTemporaryFile("r", prefix="rqbench-time-") as report:
        start = time.perf_counter()
        proc = subprocess.Popen(["/usr/bin/time", "-q", "-f", "%M %U %S", "-o", report.name] + cmd,
                                stdout=subprocess.DEVNULL if to_null else subprocess.PIPE,
                                stderr=subprocess.DEVNULL)
        out = 0
        while not to_null:
            chunk = proc.stdout.read(1 << 16)
            if not chunk:
                break
            out += len(chunk)
        proc.wait()
        elapsed = time.perf_counter() - start
        if proc.stdout:
            proc.stdout.close()
        fields = report.read().split()
    rss, user, system = int(fields[-3]), float(fields[-2]), float(fields[-1])
    return elapsed, user + system, rss, out, proc.returncode


def warm(paths):
    for p in paths:
        with open(p, "rb") as f:
            while f.read(1 << 22):
                pass


class Table:
    def __init__(self):
        self.rows = []

    def add(self, op, r, nbytes, anchor=None, anchor_r=None, target=None):
        seconds, cpu, rss_kib = r[0], r[1], r[2]
        anchor_seconds = anchor_r[0] if anchor_r else None
        self.rows.append(
            {
                "operation": op,
                "time_s": seconds,
                "cpu_s": cpu,
                "anchor": anchor or "",
                "anchor_time_s": anchor_seconds,
                "ratio": seconds / anchor_seconds if anchor_seconds else None,
                "anchor_cpu_s": anchor_r[1] if anchor_r else None,
                "cpu_ratio": cpu / anchor_r[1] if anchor_r and anchor_r[1] > 0 else None,
                "target": target or "",
                "gb_per_s": nbytes / seconds / 1e9 if nbytes and seconds > 0 else None,
                "peak_rss_mib": rss_kib / 1024.0,
            }
        )

    def print(self, out=sys.stdout):
        head = ("operation", "time s", "cpu s", "anchor", "anchor s", "ratio", "cpu ratio",
                "target", "GB/s", "RSS MiB")
        lines = [head]
        for r in self.rows:
            lines.append(
                (
                    r["operation"],
                    "%.3f" % r["time_s"],
                    "%.3f" % r["cpu_s"],
                    r["anchor"],
                    "%.3f" % r["anchor_time_s"] if r["anchor_time_s"] else "",
                    "%.2f" % r["ratio"] if r["ratio"] else "",
                    "%.2f" % r["cpu_ratio"] if r["cpu_ratio"] else "",
                    r["target"],
                    "%.2f" % r["gb_per_s"] if r["gb_per_s"] else "",
                    "%.1f" % r["peak_rss_mib"],
                )
            )
        widths = [max(len(str(l[i])) for l in lines) for i in range(len(head))]
        for n, l in enumerate(lines):
            out.write(" | ".join(str(c).ljust(widths[i]) for i, c in enumerate(l)).rstrip() + "\n")
            if n == 0:
                out.write("-+-".join("-" * w for w in widths) + "\n")

    def write_csv(self, path):
        with open(path, "w", newline="") as f:
            w = csv.DictWriter(f, fieldnames=list(self.rows[0].keys()))
            w.writeheader()
            for r in self.rows:
                w.writerow(r)


def measure(commands, runs):
    """commands: name -> argv. Runs them interleaved; name -> (median s, median CPU s, max RSS
    KiB, (out bytes, exit status))."""
    times = {name: [] for name in commands}
    cpus = {name: [] for name in commands}
    rss = {name: 0 for name in commands}
    outs = {}
    for _ in range(runs):
        for name, cmd in commands.items():
            t, c, m, o, rc = run_once(cmd, to_null=name == "cat")
            times[name].append(t)
            cpus[name].append(c)
            rss[name] = max(rss[name], m)
            outs[name] = (o, rc)
    return {n: (statistics.median(times[n]), statistics.median(cpus[n]), rss[n], outs[n])
            for n in commands}


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--build", required=True, help="build directory with rqtrace and rqsample")
    ap.add_argument("--data", default="/tmp/rqbench", help="where generated servers go")
    ap.add_argument("--size", default="1G", help="size of each day log (rqsample --size)")
    ap.add_argument("--splits", default="1,10,100,1000", help="copy counts to time")
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--today", default="261206")
    ap.add_argument("--csv", default=os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                                  "results", "bench.csv"),
                    help="where the table goes as CSV (default bench/results/bench.csv)")
    ap.add_argument("--memory", action="store_true",
                    help="also measure peak memory with a 4x log and a 300 MiB line")
    ap.add_argument("--range-days", type=int, default=7,
                    help="day logs of --size each searched as one --date FROM..TO range (0: none)")
    ap.add_argument("--keep", action="store_true", help="keep the generated data")
    a = ap.parse_args()

    rqtrace = os.path.join(a.build, "src", "rqtrace")
    rqsample = os.path.join(a.build, "tools", "sample", "rqsample")
    splits = [int(s) for s in a.splits.split(",")]
    table = Table()
    day = a.today

    def server(dirname):
        return [rqtrace, "--settings", os.path.join(dirname, "settings.reg"), "--map",
                "C:\\Program Files (x86)\\Raven Quill=" + dirname]

    def logs(dirname, on=day):
        return {
            "act": os.path.join(dirname, "Logs", "Activity", "SMTP", "SMTP-Activity-%s.log" % on),
            "dbg": os.path.join(dirname, "Logs", "Debug", "SMTP", "SMTP-Debug-%s.log" % on),
            "mta": os.path.join(dirname, "Logs", "Debug", "MTA", "MTA-Debug-%s.log" % on),
        }

    def generate(dirname, split, days=1):
        shutil.rmtree(dirname, ignore_errors=True)
        subprocess.run([rqsample, dirname, "--days", str(days), "--size", a.size, "--split",
                        str(split), "--today", day], check=True, stdout=subprocess.DEVNULL)

    def keep_only(d, keep):
        for sub, _, files in os.walk(os.path.join(d, "Logs")):
            for f in files:
                if os.path.join(sub, f) not in keep:
                    os.remove(os.path.join(sub, f))
        shutil.rmtree(os.path.join(d, "Connectors", "LS", "Logs"), ignore_errors=True)

    # Every server first, so that all commands run interleaved in one measurement. Logs that
    # no measured command reads are removed at once to spare the disk and the page cache.
    dirs = {}
    for split in splits:
        d = os.path.join(a.data, "k%d" % split)
        print("generating %s (split %d, size %s)..." % (d, split, a.size), file=sys.stderr)
        generate(d, split)
        keep_only(d, set(logs(d).values()))
        dirs[split] = d
    ranged = None
    if a.range_days > 0:
        # A week of activity logs: only that log grows, the others stay small and are removed.
        ranged = os.path.join(a.data, "range")
        print("generating %s (%d days of %s)..." % (ranged, a.range_days, a.size), file=sys.stderr)
        shutil.rmtree(ranged, ignore_errors=True)
        subprocess.run([rqsample, ranged, "--days", str(a.range_days), "--size", a.size,
                        "--grow", "smtp-activity", "--today", day], check=True,
                       stdout=subprocess.DEVNULL)
        act_dir = os.path.join(ranged, "Logs", "Activity", "SMTP")
        range_logs = sorted(os.path.join(act_dir, f) for f in os.listdir(act_dir))
        first_day = os.path.basename(range_logs[0])[-10:-4]
    for d in dirs.values():
        warm(logs(d).values())
    # The story of the benchmark message with the most copies, read from two days before its
    # own: three days of logs, against the trace of the same message on its one day.
    story_dir = os.path.join(a.data, "story")
    story_k = splits[-1]
    first_day = (datetime.datetime.strptime(day, "%y%m%d") - datetime.timedelta(days=2)).strftime(
        "%y%m%d")
    story_days = [(datetime.datetime.strptime(day, "%y%m%d") - datetime.timedelta(days=n))
                  .strftime("%y%m%d") for n in (2, 1, 0)]
    print("generating %s (split %d, 3 days, size %s)..." % (story_dir, story_k, a.size),
          file=sys.stderr)
    generate(story_dir, story_k, days=3)
    story_logs = [p for on in story_days for p in logs(story_dir, on).values()]
    keep_only(story_dir, set(story_logs))
    warm(story_logs)

    last = dirs[splits[-1]]
    L = logs(last)
    size = {k: os.path.getsize(p) for k, p in L.items()}
    rq_last = server(last)
    cid = copy_id(splits[-1] // 2)
    cmds = {
        "cat": ["cat", L["act"]],
        "show": rq_last + ["show", "--date", day, cid],
        "show --redact": rq_last + ["show", "--date", day, cid, "--redact"],
        "rg": ["rg", "-F", "-c", cid, L["act"]],
        "rg --no-mmap": ["rg", "--no-mmap", "-F", "-c", cid, L["act"]],
        "grep": ["grep", "-F", "-c", cid, L["act"]],
        "search": rq_last + ["search", "--date", day, "--sender", SENDER_TEXT],
        "rg -i": ["rg", "-i", "-F", "-c", SENDER_TEXT, L["act"]],
        # One log read whole by one reader, against the default of one segment per core.
        "show 1 reader": ["env", "RQ_SEGMENTS=1"] + rq_last + ["show", "--date", day, cid],
        "search 1 reader": ["env", "RQ_SEGMENTS=1"] + rq_last + ["search", "--date", day,
                                                                 "--sender", SENDER_TEXT],
    }
    if ranged:
        cmds["search range"] = server(ranged) + ["search", "--date", first_day + ".." + day,
                                                 "--sender", SENDER_TEXT]
        cmds["rg -i range"] = ["rg", "-i", "-F", "-c", SENDER_TEXT] + range_logs
        cmds["report range"] = server(ranged) + ["report", "--date", first_day + ".." + day]
        # The least any reader of every line does: count the lines, one process per core.
        cmds["wc -l range"] = ["sh", "-c", 'printf "%s\\0" "$@" | xargs -0 -n 1 -P "$(nproc)" wc -l',
                               "sh"] + range_logs
    for split, d in dirs.items():
        rq = server(d)
        cmds["split %d" % split] = rq + ["split", BENCH_QUEUED, "--date", day]
        cmds["trace %d" % split] = rq + ["trace", "--date", day, BENCH_INBOUND]
    rq_story = server(story_dir)
    cmds["story 3 days"] = rq_story + ["story", BENCH_INBOUND, "--date", first_day, "--days", "2"]
    # The same story asked from one of its copies: the walk finds the queue, then the message.
    cmds["story 3 days, copy"] = rq_story + ["story", copy_id(story_k // 2), "--date", first_day,
                                             "--days", "2"]
    cmds["trace 1 day"] = rq_story + ["trace", "--date", day, BENCH_INBOUND]
    print("timing: %d runs of %s" % (a.runs, ", ".join(cmds)), file=sys.stderr)
    # The range's logs are warmed last: when not everything fits in the page cache, each command
    # still finds most of what it reads there, as every other one does.
    if ranged:
        warm(range_logs)
    r = measure(cmds, a.runs)
    for name in r:
        if r[name][3][1] not in (0, 1):
            print("warning: %s exited with %d" % (name, r[name][3][1]), file=sys.stderr)

    first = splits[0]
    for split, d in dirs.items():
        sz = {k: os.path.getsize(p) for k, p in logs(d).items()}
        anchor = "own K=%d" % first if split != first else None
        target = "<= 2.00" if anchor else None
        table.add("split K=%d" % split, r["split %d" % split], 2 * sz["dbg"] + sz["act"], anchor,
                  r["split %d" % first] if anchor else None, target)
        table.add("trace K=%d" % split, r["trace %d" % split], sz["mta"] + sz["dbg"] + sz["act"],
                  anchor, r["trace %d" % first] if anchor else None, target)
    story_bytes = sum(os.path.getsize(p) for p in story_logs if os.path.exists(p))
    table.add("story K=%d, 3 days" % story_k, r["story 3 days"], story_bytes,
              "trace K=%d, 1 day" % story_k, r["trace 1 day"], "<= 4.00")
    table.add("story K=%d, 3 days, from a copy" % story_k, r["story 3 days, copy"], story_bytes,
              "trace K=%d, 1 day" % story_k, r["trace 1 day"], "<= 5.00")
    table.add("trace K=%d, 1 day" % story_k, r["trace 1 day"],
              sum(os.path.getsize(p) for p in logs(story_dir).values()))
    act = size["act"]
    table.add("cat LOG > /dev/null (floor)", r["cat"], act)
    table.add("show ID", r["show"], act, "rg -F -c", r["rg"], "<= 1.25")
    table.add("show ID", r["show"], act, "rg -F -c --no-mmap", r["rg --no-mmap"], "<= 1.00")
    table.add("show ID", r["show"], act, "grep -F -c", r["grep"])
    table.add("show ID --redact", r["show --redact"], act, "show ID", r["show"], "<= 2.00")
    table.add("rg -F -c ID", r["rg"], act)
    table.add("rg -F -c --no-mmap ID", r["rg --no-mmap"], act)
    table.add("grep -F -c ID", r["grep"], act)
    table.add("search --sender", r["search"], act, "rg -i -F -c", r["rg -i"], "<= 1.10")
    table.add("rg -i -F -c TEXT", r["rg -i"], act)
    table.add("show ID, 1 reader", r["show 1 reader"], act, "show ID", r["show"])
    table.add("search --sender, 1 reader", r["search 1 reader"], act, "search --sender",
              r["search"])
    if ranged:
        total = sum(os.path.getsize(p) for p in range_logs)
        table.add("search --date %d days" % len(range_logs), r["search range"], total,
                  "rg -i -F -c, same files", r["rg -i range"], "<= 1.00")
        table.add("rg -i -F -c TEXT, %d files" % len(range_logs), r["rg -i range"], total)
        # Every line of every log of the range, each read once: the peak memory is the target too.
        table.add("report --date %d days (RSS <= 64)" % len(range_logs), r["report range"], total,
                  "search --date, same days", r["search range"], "<= 1.50")
        # The search skips through the logs; a reader of every line cannot, and the line count
        # is its floor: the report against that floor, and the floor against the search.
        table.add("report --date %d days" % len(range_logs), r["report range"], total,
                  "wc -l, same files, a process per core", r["wc -l range"])
        table.add("wc -l, %d files, a process per core" % len(range_logs), r["wc -l range"], total,
                  "search --date, same days", r["search range"])
    hostile(a, table, rqsample, server, logs, day)
    if a.memory:
        memory(a, table, last, rq_last, L, day)
    if not a.keep:
        for d in list(dirs.values()) + [story_dir]:
            shutil.rmtree(d, ignore_errors=True)
        if ranged:
            shutil.rmtree(ranged, ignore_errors=True)

    table.print()
    os.makedirs(os.path.dirname(os.path.abspath(a.csv)), exist_ok=True)
    table.write_csv(a.csv)
    print("CSV written to %s" % a.csv, file=sys.stderr)


def hostile(a, table, rqsample, server, logs, day):
    """Redaction of one 1 MB line of hex digits and colons, as a client may send it as its EHLO
    name: the work must stay linear in the line's length."""
    d = os.path.join(a.data, "hostile")
    shutil.rmtree(d, ignore_errors=True)
    subprocess.run([rqsample, d, "--days", "1", "--today", day], check=True,
                   stdout=subprocess.DEVNULL)
    act = logs(d)["act"]
    argument = ("0123456789abcdef:" * (1 << 16))[: 1 << 20]
    with open(act, "ab") as f:
        f.write(("10:00:00\tSMTP-IN\tHOSTILE01\t1\t10.9.8.7\tEHLO\t%s\t250\r\n" % argument).encode())
    size = os.path.getsize(act)
    warm([act])
    rq = server(d)
    r = measure({"show": rq + ["show", "--date", day, "HOSTILE01"],
                 "redact": rq + ["show", "--date", day, "HOSTILE01", "--redact"]}, a.runs)
    table.add("show --redact, 1 MB hostile line", r["redact"], size, "show, same line", r["show"],
              "< 1 s")
    if not a.keep:
        shutil.rmtree(d, ignore_errors=True)


def memory(a, table, d, rq, L, day):
    """Peak memory against a log four times as large, and against one 300 MiB line."""
    act = L["act"]
    original = act + ".orig"
    os.rename(act, original)
    try:
        print("memory: a log 4x the size...", file=sys.stderr)
        with open(act, "wb") as out:
            for _ in range(4):
                with open(original, "rb") as f:
                    shutil.copyfileobj(f, out, 1 << 22)
        big = os.path.getsize(act)
        warm([act])
        cid = copy_id(0)
        r = measure({"show": rq + ["show", "--date", day, cid],
                     "search": rq + ["search", "--date", day, "--sender", SENDER_TEXT]}, 1)
        table.add("show ID, %.1f GiB log" % (big / 2**30), r["show"], big, target="RSS <= 16")
        table.add("search, %.1f GiB log" % (big / 2**30), r["search"], big, target="RSS <= 16")
        print("memory: a 300 MiB line without a break...", file=sys.stderr)
        with open(act, "wb") as out:
            with open(original, "rb") as f:
                head = f.read(64 << 20)
            out.write(head)
            line = b"x" * (1 << 20)
            for _ in range(300):
                out.write(line)
            out.write(b"\r\n")
            out.write(head)
        size = os.path.getsize(act)
        warm([act])
        r = measure({"show": rq + ["show", "--date", day, cid],
                     "search": rq + ["search", "--date", day, "--sender", SENDER_TEXT]}, 1)
        table.add("show ID, 300 MiB line", r["show"], size, target="RSS <= 16")
        table.add("search, 300 MiB line", r["search"], size, target="RSS <= 16")
    finally:
        os.replace(original, act)


if __name__ == "__main__":
    main()

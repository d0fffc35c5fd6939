#!/usr/bin/env python3
"""Whole-process comparison on the same corpus, warm cache:
tamsel-grep -c against rg -c --encoding shift_jis, GNU grep -c -E in a CP932
locale, and cat (and dd, which surely reads) as the read floor. For each pattern and tool it prints the
median wall time and CPU time (user + system) of several runs, the
throughput, the time relative to tamsel-grep, the line count, and flags every
count that differs from rg's. At the end: the peak resident memory of
tamsel-grep for each pattern.

The fuzzy pattern has no peer; rg and grep are given the alternation that
the fuzzy-character dictionary expands it to, so that their counts check
tamsel-grep's and their times show what the same search costs them.

Usage: compare.py TAMSEL_GREP CORPUS [--runs 5]
"""
import argparse
import os
import re
import statistics
import subprocess
import tempfile
import time

PATTERNS = [
    # (name, UTF-8 pattern, tamsel-grep options, pattern for the peers)
    ("katakana word", "データ", [], "データ"),
    ("kanji word", "日本語", [], "日本語"),
    ("alternation+bracket", "ファイル[をがの]|ディレクトリ", [], "ファイル[をがの]|ディレクトリ"),
    ("katakana range", "[ァ-ヶ]ー[ァ-ヶ]", [], "[ァ-ヶ]ー[ァ-ヶ]"),
    ("fuzzy", "ふぁいる", ["--fuzzy"], "(ふ|フ|ﾌ)(あ|ア|ｱ|ぁ|ァ|ｧ)(い|イ|ｲ|ぃ|ィ|ｨ)(る|ル|ﾙ)"),
]


def run_once(cmd, env=None, capture=True):
    """Runs cmd; returns wall seconds, CPU seconds, status, output."""
    with tempfile.TemporaryFile() as out:
        t0 = time.perf_counter()
        p = subprocess.Popen(cmd, stdout=out if capture else subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL, env=env)
        _, status, usage = os.wait4(p.pid, 0)
        wall = time.perf_counter() - t0
        p.returncode = os.waitstatus_to_exitcode(status)
        out.seek(0)
        text = out.read().decode("utf-8", "replace").strip() if capture else ""
    return wall, usage.ru_utime + usage.ru_stime, p.returncode, text


def measure(cmd, runs, env=None, capture=True):
    run_once(cmd, env, capture)  # warm the cache
    walls, cpus, out = [], [], ""
    for _ in range(runs):
        wall, cpu, rc, out = run_once(cmd, env, capture)
        if rc not in (0, 1):
            raise SystemExit(f"{cmd[0]!r} failed with status {rc}")
        walls.append(wall)
        cpus.append(cpu)
    return statistics.median(walls), statistics.median(cpus), out


def peak_rss_kib(cmd):
    """Peak resident memory of cmd alone, as GNU time reports it (a child of
    this script would also count the memory of the script it was forked from)."""
    p = subprocess.run(["/usr/bin/time", "-f", "%M", *cmd], stdout=subprocess.DEVNULL,
                       stderr=subprocess.PIPE)
    return last_int(p.stderr.decode("ascii", "replace"))


def last_int(s):
    m = re.findall(r"(\d+)\s*$", s)
    return int(m[-1]) if m else 0


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("tamsel")
    ap.add_argument("corpus")
    ap.add_argument("--runs", type=int, default=5)
    a = ap.parse_args()
    mb = os.path.getsize(a.corpus) / 1e6
    env_cp932 = dict(os.environ, LC_ALL="ja_JP.CP932")
    print(f"corpus {a.corpus}: {mb:.0f} MB")
    # cat may hand the file to /dev/null without reading it; dd reads it in
    # blocks of 102400 bytes, as tamsel-grep does.
    for name, cmd in (("cat > /dev/null", ["cat", a.corpus]),
                      ("dd bs=102400 > /dev/null",
                       ["dd", f"if={a.corpus}", "of=/dev/null", "bs=102400"])):
        floor, floor_cpu, _ = measure(cmd, a.runs, capture=False)
        print(f"read floor, {name}: {floor:.3f} s wall, {floor_cpu:.3f} s CPU "
              f"({mb / floor:.0f} MB/s)")
    print()
    print("| pattern | tool | median s | CPU s | MB/s | time / tamsel | lines | note |")
    print("|---|---|---:|---:|---:|---:|---:|---|")
    rss_rows = []
    for name, pat, opts, peer_pat in PATTERNS:
        rows = []
        cmd = [a.tamsel, "-c", *opts, pat, a.corpus]
        t, cpu, out = measure(cmd, a.runs)
        rows.append(("tamsel-grep", t, cpu, last_int(out)))
        rss_rows.append((name, peak_rss_kib(cmd)))
        peer = "" if peer_pat == pat else " (expanded)"
        t, cpu, out = measure(["rg", "-c", "--encoding", "shift_jis", peer_pat, a.corpus],
                                 a.runs)
        rows.append(("rg" + peer, t, cpu, last_int(out)))
        # GNU grep in a CP932 locale takes the pattern's CP932 bytes.
        t, cpu, out = measure([b"grep", b"-c", b"-E", peer_pat.encode("cp932"),
                                  a.corpus.encode()], a.runs, env_cp932)
        rows.append(("grep-cp932" + peer, t, cpu, last_int(out)))
        rg_count = rows[1][3]
        base = rows[0][1]
        for tool, t, cpu, count in rows:
            note = "differs from rg" if count != rg_count else ""
            print(f"| {name} | {tool} | {t:.3f} | {cpu:.3f} | {mb / t:.0f} | {t / base:.2f} "
                  f"| {count} | {note} |")
    print()
    for name, rss in rss_rows:
        print(f"peak RSS of tamsel-grep, {name}: {rss / 1024:.1f} MiB")


if __name__ == "__main__":
    main()

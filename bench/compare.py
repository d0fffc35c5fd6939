#!/usr/bin/env python3
"""Whole-process comparison on the same corpus, warm cache:
tamsel-grep -c against rg -c --encoding shift_jis, GNU grep -c in a CP932
locale, and cat as the read floor. Prints median seconds, throughput, the
ratio to tamsel-grep, the line counts, and flags counts that differ from rg.

Usage: compare.py TAMSEL_GREP CORPUS [--runs 5]
"""
import argparse
import os
import re
import resource
import statistics
import subprocess
import time

PATTERNS = [
    # (name, UTF-8 pattern, tamsel options, peers take it?)
    ("literal katakana word", "ファイル", [], True),
    ("literal kanji word", "日本語", [], True),
    ("alternation + bracket", "ファイル[をがの]|ディレクトリ", [], True),
    ("katakana range", "[ァ-ヶ]ー[ァ-ヶ]", [], True),
    ("fuzzy", "ふぁいる", ["--fuzzy"], False),
]


def run(cmd, env=None):
    t0 = time.perf_counter()
    p = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=env)
    return time.perf_counter() - t0, p.returncode, p.stdout.decode("utf-8", "replace").strip(), p.stderr


def last_int(s):
    m = re.findall(r"(\d+)\s*$", s)
    return int(m[-1]) if m else None


def measure(cmd, runs, env=None):
    times, out = [], None
    run(cmd, env)  # warm the cache
    for _ in range(runs):
        t, rc, out, err = run(cmd, env)
        if rc not in (0, 1):
            raise SystemExit(f"{cmd[0]} failed ({rc}): {err.decode('utf-8', 'replace')}")
        times.append(t)
    return statistics.median(times), out


def peak_rss_kb(cmd):
    before = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
    subprocess.run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    after = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
    return after if after > before else before


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("tamsel")
    ap.add_argument("corpus")
    ap.add_argument("--runs", type=int, default=5)
    a = ap.parse_args()
    size = os.path.getsize(a.corpus)
    mb = size / 1e6
    env_cp932 = dict(os.environ, LC_ALL="ja_JP.CP932")
    floor, _ = measure(["cat", a.corpus], a.runs)
    print(f"corpus {a.corpus}: {mb:.0f} MB; cat {floor:.3f} s ({mb / floor:.0f} MB/s)")
    print(f"{'pattern':<24} {'tool':<12} {'median s':>9} {'MB/s':>7} {'x tamsel':>9} {'lines':>9}")
    for name, pat, opts, peers in PATTERNS:
        rows = []
        t, out = measure([a.tamsel, "-c", *opts, pat, a.corpus], a.runs)
        rows.append(("tamsel-grep", t, last_int(out)))
        if peers:
            t, out = measure(["rg", "-c", "--encoding", "shift_jis", pat, a.corpus], a.runs)
            rows.append(("rg", t, last_int(out) or 0))
            # GNU grep in a CP932 locale takes the pattern's CP932 bytes
            pat932 = pat.encode("cp932")
            t, out = measure([b"grep", b"-c", b"-E", pat932, a.corpus.encode()], a.runs, env_cp932)
            rows.append(("grep-cp932", t, last_int(out)))
        rg_count = next((c for tool, _, c in rows if tool == "rg"), None)
        base = rows[0][1]
        for tool, t, count in rows:
            flag = ""
            if rg_count is not None and count != rg_count:
                flag = "  <- differs from rg"
            print(f"{name:<24} {tool:<12} {t:9.3f} {mb / t:7.0f} {t / base:9.2f} {count!s:>9}{flag}")
    rss = peak_rss_kb([a.tamsel, "-c", "[ァ-ヶ]ー[ァ-ヶ]", a.corpus])
    print(f"peak RSS of tamsel-grep (regex pattern): {rss / 1024:.1f} MB")


if __name__ == "__main__":
    main()

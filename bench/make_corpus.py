#!/usr/bin/env python3
"""Builds the benchmark corpora in code page 932 (never committed).

real.txt  : Japanese text from Debian's Japanese documentation (manpages-ja,
            debian-reference-ja), stripped to plain text, converted with
            iconv to CP932 and repeated to the target size.
synth.txt : a seeded synthetic text (kanji, kana, half-width katakana,
            ASCII; LF and CR LF line ends), reproducible from the seed.

Usage: make_corpus.py OUTDIR [--mb 200] [--seed 932]
"""
import argparse
import glob
import gzip
import html
import os
import random
import re
import subprocess


def man_text(path):
    with gzip.open(path, "rt", encoding="utf-8", errors="ignore") as f:
        out = []
        for line in f:
            if line.startswith((".", "'")):
                # keep the text of headings and paragraphs macros
                m = re.match(r"^\.(?:SH|SS|TP|B|I|BR|IR|RB|RI|BI|IB)\s+(.*)", line)
                if not m:
                    continue
                line = m.group(1)
            line = re.sub(r"\\f[BIRP]|\\f\(..|\\-|\\&|\\e|\\\(..|\\[ ]", "", line)
            line = line.replace('"', "").rstrip()
            if line:
                out.append(line)
        return "\n".join(out)


def html_text(path):
    with open(path, encoding="utf-8", errors="ignore") as f:
        s = f.read()
    s = re.sub(r"(?is)<(script|style).*?</\1>", "", s)
    s = re.sub(r"(?i)<br\s*/?>|</p>|</div>|</h\d>|</li>|</tr>", "\n", s)
    s = re.sub(r"<[^>]+>", "", s)
    s = html.unescape(s)
    lines = [l.strip() for l in s.splitlines()]
    return "\n".join(l for l in lines if l)


def real_corpus():
    parts = []
    for p in sorted(glob.glob("/usr/share/man/ja/man*/*.gz")):
        parts.append(man_text(p))
    for p in sorted(glob.glob("/usr/share/doc/debian-reference-ja/**/*.html", recursive=True)):
        parts.append(html_text(p))
    for p in sorted(glob.glob("/usr/share/debian-reference/**/*.ja.html", recursive=True)):
        parts.append(html_text(p))
    text = "\n".join(t for t in parts if t) + "\n"
    if len(text) < 1000:
        raise SystemExit("no Japanese documentation found: install manpages-ja debian-reference-ja")
    # iconv, as a user would; -c drops the few characters CP932 cannot hold
    return subprocess.run(["iconv", "-f", "UTF-8", "-t", "CP932", "-c"], input=text.encode("utf-8"),
                          stdout=subprocess.PIPE, check=False).stdout


KANJI = "日本語文字検索正規表現辞書時間世界人生学校先生電話会社東京大阪年月曜火水木金土上下左右中大小山川田"
HIRA = "あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわをんがぎぐげござじずぜぞだでどばびぶべぼぱぴぷぺぽっゃゅょ"
KATA = "アイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワヲンガギグゲゴザジズゼゾダデドバビブベボパピプペポッャュョー"
HALF = "ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾅﾆﾇﾈﾉﾊﾋﾌﾍﾎﾏﾐﾑﾒﾓﾔﾕﾖﾗﾘﾙﾚﾛﾜｦﾝﾞﾟｰ"
ASCII = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 .,;:-_()"
WORDS = ["ファイル", "ディレクトリ", "データ", "コンピュータ", "ファイルを", "ファイルが", "ファイルの", "日本語", "ユーザー"]


def synth_corpus(size, seed):
    rnd = random.Random(seed)
    pools = [(KANJI, 3), (HIRA, 5), (KATA, 3), (HALF, 1), (ASCII, 2)]
    weights = [w for _, w in pools]
    out = bytearray()
    while len(out) < size:
        n = rnd.randint(0, 80)
        chars = []
        for _ in range(n):
            if rnd.random() < 0.02:
                chars.append(rnd.choice(WORDS))
            else:
                pool = rnd.choices(pools, weights)[0][0]
                chars.append(rnd.choice(pool))
        line = "".join(chars).encode("cp932")
        out += line + (b"\r\n" if rnd.random() < 0.3 else b"\n")
    return bytes(out)


def repeat_to(data, size):
    out = bytearray()
    while len(out) < size:
        out += data
    return bytes(out)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("outdir")
    ap.add_argument("--mb", type=int, default=200)
    ap.add_argument("--seed", type=int, default=932)
    a = ap.parse_args()
    os.makedirs(a.outdir, exist_ok=True)
    size = a.mb * 1000 * 1000
    real = os.path.join(a.outdir, "real.txt")
    if not os.path.exists(real) or os.path.getsize(real) < size:
        base = real_corpus()
        with open(real, "wb") as f:
            f.write(repeat_to(base, size))
    synth = os.path.join(a.outdir, "synth.txt")
    if not os.path.exists(synth) or os.path.getsize(synth) < size:
        block = synth_corpus(min(size, 20 * 1000 * 1000), a.seed)
        with open(synth, "wb") as f:
            f.write(repeat_to(block, size))
    for p in (real, synth):
        print(p, os.path.getsize(p), "bytes")


if __name__ == "__main__":
    main()

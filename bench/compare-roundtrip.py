#!/usr/bin/env python3
"""Does a save through Quillet change what another word processor shows?

For each RTF file: save it through quillet-convert (read, then write), have
LibreOffice draw the original and the saved copy as PDF, and compare them as
a reader would: pages, page sizes, words, and the share of pixels that differ
on each page. Side-by-side pictures of the worst pages go to the output
folder.

    bench/compare-roundtrip.py [--out DIR] [--converter PATH] FILE_OR_FOLDER...

Needs soffice (libreoffice-writer), pdfinfo, pdftotext and pdftoppm
(poppler-utils) and ImageMagick's compare and convert. Prints one row per
file; exits 0 unless a tool is missing.
"""

import argparse
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile

DPI = 40          # enough to see a line move, small enough to be quick
FUZZ = "12%"      # anti-aliasing differences are not differences


def run(*cmd, **kw):
    return subprocess.run(cmd, capture_output=True, text=True, **kw)


def rtf_files(args):
    for a in args:
        p = pathlib.Path(a)
        if p.is_dir():
            yield from sorted(p.rglob("*.rtf"))
        elif p.is_file():
            yield p


def to_pdf(files, outdir, profile):
    """Converts with one soffice run per batch: starting it costs seconds."""
    outdir.mkdir(parents=True, exist_ok=True)
    run("soffice", f"-env:UserInstallation=file://{profile}", "--headless",
        "--convert-to", "pdf", "--outdir", str(outdir), *map(str, files), timeout=1800)


def pdf_facts(pdf):
    """Pages, the set of page sizes (points, rounded) and the words."""
    if not pdf.exists():
        return 0, set(), 0
    info = run("pdfinfo", "-l", "9999", str(pdf)).stdout
    pages = int(re.search(r"^Pages:\s+(\d+)", info, re.M).group(1)) if "Pages:" in info else 0
    sizes = {tuple(round(float(v)) for v in m)
             for m in re.findall(r"Page\s+\d+ size:\s+([\d.]+) x ([\d.]+)", info)}
    words = len(run("pdftotext", "-q", str(pdf), "-").stdout.split())
    return pages, sizes, words


def page_pngs(pdf, stem):
    run("pdftoppm", "-r", str(DPI), "-png", str(pdf), str(stem))
    return sorted(stem.parent.glob(stem.name + "-*.png"))


def differing_share(a, b):
    """Share of the page's pixels that differ (0..1); pages of different
    sizes count as wholly different."""
    r = run("compare", "-metric", "AE", "-fuzz", FUZZ, str(a), str(b), "null:")
    try:
        differing = float(r.stderr.split()[0])
    except (IndexError, ValueError):
        return 1.0
    w, h = (int(v) for v in run("identify", "-format", "%w %h", str(a)).stdout.split())
    return differing / (w * h)


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("paths", nargs="+")
    ap.add_argument("--out", default="roundtrip-report")
    ap.add_argument("--converter", default="build/src/convert/quillet-convert")
    args = ap.parse_args()
    for tool in ("soffice", "pdfinfo", "pdftotext", "pdftoppm", "compare", "convert", "identify"):
        if not shutil.which(tool):
            sys.exit(f"compare-roundtrip: {tool} is missing")

    out = pathlib.Path(args.out)
    out.mkdir(parents=True, exist_ok=True)
    files = list(rtf_files(args.paths))
    with tempfile.TemporaryDirectory() as tmp:
        tmp = pathlib.Path(tmp)
        originals, copies = tmp / "original", tmp / "copy"
        originals.mkdir()
        copies.mkdir()
        names, failed = {}, set()
        for i, f in enumerate(files):
            name = f"{i:03d}-{re.sub(r'[^A-Za-z0-9._-]', '_', f.stem)}"
            names[f] = name
            shutil.copyfile(f, originals / f"{name}.rtf")
            r = run(args.converter, str(f), str(copies / f"{name}.rtf"))
            if r.returncode:
                failed.add(f)
                print(f"{f}: quillet-convert failed: {r.stderr.strip()}", file=sys.stderr)
        to_pdf(sorted(originals.glob("*.rtf")), tmp / "pdf-original", tmp / "profile")
        to_pdf(sorted(copies.glob("*.rtf")), tmp / "pdf-copy", tmp / "profile")

        print(f"{'file':40} {'pages':>9} {'sizes':>6} {'words':>13} {'worst page':>11} {'mean':>6}")
        same = 0
        for f in files:
            name = names[f]
            if f in failed:
                print(f"{str(f)[-40:]:40} not saved by quillet-convert  *")
                continue
            a, b = tmp / "pdf-original" / f"{name}.pdf", tmp / "pdf-copy" / f"{name}.pdf"
            pa, sa, wa = pdf_facts(a)
            pb, sb, wb = pdf_facts(b)
            shares = []
            if pa and pb:
                (tmp / "png").mkdir(exist_ok=True)
                pngs_a = page_pngs(a, tmp / "png" / f"{name}-a")
                pngs_b = page_pngs(b, tmp / "png" / f"{name}-b")
                for x, y in zip(pngs_a, pngs_b):
                    shares.append((differing_share(x, y), x, y))
                shares += [(1.0, None, None)] * abs(len(pngs_a) - len(pngs_b))
            worst = max(shares, key=lambda s: s[0]) if shares else (1.0, None, None)
            mean = sum(s[0] for s in shares) / len(shares) if shares else 1.0
            if worst[1] is not None and worst[0] > 0.001:
                run("convert", str(worst[1]), str(worst[2]), "+append", str(out / f"{name}-worst.png"))
            looks_same = pa == pb and sa == sb and wa == wb and worst[0] <= 0.001
            same += looks_same
            print(f"{str(f)[-40:]:40} {pa:>4}/{pb:<4} {'same' if sa == sb else 'DIFF':>6} "
                  f"{wa:>6}/{wb:<6} {worst[0] * 100:>10.2f}% {mean * 100:>5.2f}%"
                  + ("" if looks_same else "  *"))
        print(f"\n{same} of {len(files)} look the same (pages, page sizes, words, "
              f"every page within 0.1% of its pixels); '*' marks the others; "
              f"worst pages side by side in {out}/")


if __name__ == "__main__":
    main()

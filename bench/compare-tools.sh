#!/bin/bash
# Whole-process comparison: RTF to plain text with quillet-convert, unrtf and
# LibreOffice on the same large file.
#
#   bench/compare-tools.sh [BUILD_DIR] [FILE.rtf]
#
# BUILD_DIR defaults to ./build; FILE defaults to a 10 MB document that
# bench_rtf generates. unrtf and soffice are optional: a missing tool is
# reported and left out (Debian: apt-get install unrtf libreoffice-writer-nogui;
# they are not build dependencies). Uses hyperfine when installed, otherwise
# the best of five runs timed with /usr/bin/time.
set -euo pipefail

build=${1:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM

convert="$build/src/convert/quillet-convert"
[ -x "$convert" ] || { echo "compare-tools: $convert not built" >&2; exit 1; }

if [ $# -ge 2 ]; then
    file=$2
else
    file="$work/big.rtf"
    "$build/bench/bench_rtf" --dump "$file" --only tokenize --repeat 1 > /dev/null
fi
[ -r "$file" ] || { echo "compare-tools: cannot read $file" >&2; exit 1; }
echo "file: $file ($(wc -c < "$file") bytes)"

# name and command line of each tool that is there
names=("quillet-convert")
cmds=("'$convert' '$file' '$work/q.txt'")
if command -v unrtf > /dev/null; then
    names+=("unrtf --text")
    cmds+=("unrtf --text '$file' > '$work/u.txt'")
else
    echo "unrtf: not installed, left out"
fi
if command -v soffice > /dev/null; then
    # a profile of its own, so that the user's LibreOffice settings stay untouched
    names+=("soffice --convert-to txt")
    cmds+=("soffice -env:UserInstallation=file://$work/lo-profile --headless --convert-to txt:Text --outdir '$work/lo' '$file' > /dev/null 2>&1")
else
    echo "soffice: not installed, left out"
fi

if command -v hyperfine > /dev/null; then
    args=()
    for i in "${!names[@]}"; do
        args+=(-n "${names[$i]}" "${cmds[$i]}")
    done
    hyperfine --warmup 1 --runs 5 --style basic "${args[@]}"
else
    for i in "${!names[@]}"; do
        bash -c "${cmds[$i]}" || true # warm-up (LibreOffice creates its profile)
        best=""
        mem=""
        for _ in 1 2 3 4 5; do
            t=$( { /usr/bin/time -f "%e %M" bash -c "${cmds[$i]}" > /dev/null; } 2>&1 | tail -n 1)
            s=${t% *}
            if [ -z "$best" ] || awk "BEGIN { exit !($s < $best) }"; then
                best=$s
                mem=${t#* }
            fi
        done
        printf '%-26s best %6s s   max RSS %7s KB\n' "${names[$i]}" "$best" "$mem"
    done
fi

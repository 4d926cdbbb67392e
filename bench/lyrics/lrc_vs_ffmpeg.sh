#!/usr/bin/env bash
# Reads the benchmark's 20 MB LRC file (word stamps, about 300,000 lines) with
# ffmpeg's LRC demuxer (ffmpeg -i big.lrc -f srt -y out.srt) and with
# LoadLyricsFile (lyrics_bench on the same file), and prints MB/s for each,
# for a memcpy of the same bytes, and the ratios. Both sides are timed by
# processor time, so that other work on the machine skews them less.
#   bench/lyrics/lrc_vs_ffmpeg.sh        (MR_BUILD_DIR picks the build, default build/native)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${MR_BUILD_DIR:-build/native}
bench=$build/bin/lyrics_bench
if [ ! -x "$bench" ]; then
    echo "lrc_vs_ffmpeg: $bench is missing; build the native preset first" >&2
    exit 1
fi
if ! command -v ffmpeg >/dev/null || ! command -v python3 >/dev/null; then
    echo "lrc_vs_ffmpeg: ffmpeg and python3 are needed (scripts/setup installs them)" >&2
    exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$bench" --generate="$work/big.lrc"
printf '[00:01.00]one line\r\n' > "$work/tiny.lrc"

# ffmpeg: its processor time (user + system, as the benchmark counts its own),
# best of three runs, and its start-up cost measured on a one-line file.
ffmpeg_seconds() {
    python3 - "$@" <<'PY'
import resource, subprocess, sys
def used():
    r = resource.getrusage(resource.RUSAGE_CHILDREN)
    return r.ru_utime + r.ru_stime
best = None
for _ in range(3):
    t = used()
    subprocess.run(["ffmpeg", "-v", "error", "-i", sys.argv[1], "-f", "srt", "-y", sys.argv[2]],
                   check=True)
    t = used() - t
    best = t if best is None or t < best else best
print(best)
PY
}
ffmpeg_big=$(ffmpeg_seconds "$work/big.lrc" "$work/out.srt")
ffmpeg_tiny=$(ffmpeg_seconds "$work/tiny.lrc" "$work/tiny.srt")

"$bench" --lrc="$work/big.lrc" --benchmark_filter='Lrc20MB|Memcpy20MB' \
    --benchmark_out="$work/bench.json" --benchmark_out_format=json

python3 - "$work/big.lrc" "$work/bench.json" "$ffmpeg_big" "$ffmpeg_tiny" <<'PY'
import json, os, sys
path, report, big, tiny = sys.argv[1], sys.argv[2], float(sys.argv[3]), float(sys.argv[4])
size = os.path.getsize(path)
lines = sum(1 for _ in open(path, "rb"))
rates = {}
for b in json.load(open(report))["benchmarks"]:
    if "bytes_per_second" in b and not b.get("error_occurred"):
        rates[b["name"].split("/")[0]] = b["bytes_per_second"] / 1e6
ours, copy = rates["BM_LoadLyricsFile_Lrc20MB"], rates["BM_Memcpy20MB"]
ff = size / 1e6 / big
ff_net = size / 1e6 / max(big - tiny, 1e-9)
print()
print(f"file: {size / 1e6:.1f} MB, {lines} lines (MB = 10^6 bytes)")
print(f"  ffmpeg LRC demuxer       {ff:10.1f} MB/s  ({big:.2f} s processor time, best of 3)")
print(f"  ffmpeg without start-up  {ff_net:10.1f} MB/s  (start-up {tiny:.2f} s)")
print(f"  LoadLyricsFile           {ours:10.1f} MB/s")
print(f"  memcpy                   {copy:10.1f} MB/s")
print(f"  LoadLyricsFile / ffmpeg                  {ours / ff:8.1f}x")
print(f"  LoadLyricsFile / ffmpeg without start-up {ours / ff_net:8.1f}x")
print(f"  LoadLyricsFile / memcpy                  {ours / copy:8.4f}")
PY

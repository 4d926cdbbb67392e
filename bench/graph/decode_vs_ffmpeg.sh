#!/usr/bin/env bash
# Decoding a 10-minute MP3 through the editor's decode graph under Wine
# (graph_decode.exe: the platform file source, splitter and decoder into the
# wave sink) against `ffmpeg -i in.mp3 out.wav` on the same file, in the same
# run. Prints both times and their ratio (the target is at most 2). The graph's
# time is measured inside the program, from building the graph to the end of
# the decode, so Wine's start-up is not counted; the whole program's time is
# printed beside it.
#   bench/graph/decode_vs_ffmpeg.sh [WINDOWS_BUILD_DIR]   (default build/windows)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/windows}
[ -d "$build" ] || cmake --preset windows -B "$build" >/dev/null
cmake --build "$build" --target graph_decode >/dev/null

work=$(mktemp -d /tmp/mr_decode_bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
# Ten minutes of speech over a quiet tone, 44100 Hz stereo at 128 kbit/s.
espeak-ng -s 150 -w "$work/voice.wav" "Every word of this song is set in time, one syllable after another."
sox "$work/voice.wav" -r 44100 -c 2 "$work/voice2.wav"
sox "$work/voice2.wav" "$work/ten.wav" repeat - trim 0 600
lame --quiet -b 128 "$work/ten.wav" "$work/in.mp3"
rm -f "$work/voice.wav" "$work/voice2.wav" "$work/ten.wav"

best_of() {  # best_of N command...: the fastest of N runs, in seconds
    local n=$1 best="" t
    shift
    for _ in $(seq "$n"); do
        t=$("$@")
        if [ -z "$best" ] || awk -v a="$t" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$t; fi
    done
    echo "$best"
}
ffmpeg_time() {
    local s e
    s=$(date +%s.%N)
    ffmpeg -v error -y -i "$work/in.mp3" "$work/ffmpeg.wav"
    e=$(date +%s.%N)
    awk -v s="$s" -v e="$e" 'BEGIN { printf "%.3f\n", e - s }'
}
win_path() { echo "Z:$(realpath "$1" | tr / '\\')"; }
graph_time() {
    scripts/wine-run --root "$build/wine" "$build/bin/graph_decode.exe" "$(win_path "$work/in.mp3")" \
        "$(win_path "$work")\\graph.wav" 2>/dev/null | tail -1 | tr -d '\r'
}
whole_time() {
    local s e
    s=$(date +%s.%N)
    graph_time >/dev/null
    e=$(date +%s.%N)
    awk -v s="$s" -v e="$e" 'BEGIN { printf "%.3f\n", e - s }'
}

graph_time >/dev/null  # Wine's prefix and the modules' registration, once
ff=$(best_of 3 ffmpeg_time)
gr=$(best_of 3 graph_time)
whole=$(best_of 1 whole_time)
# Processor time (user + system) of each whole program, Wine's start-up and
# wineserver's share excepted, for machines too loaded for wall-clock times.
cpu_of() { /usr/bin/time -f "%U %S" "$@" 2>&1 >/dev/null | tail -1 | awk '{ printf "%.2f\n", $1 + $2 }'; }
if [ -x /usr/bin/time ]; then
    cpu_ff=$(cpu_of ffmpeg -v error -y -i "$work/in.mp3" "$work/ffmpeg.wav")
    cpu_gr=$(cpu_of scripts/wine-run --root "$build/wine" "$build/bin/graph_decode.exe" "$(win_path "$work/in.mp3")" \
        "$(win_path "$work")\\graph.wav")
fi
size_ff=$(stat -c %s "$work/ffmpeg.wav")
size_gr=$(stat -c %s "$work/graph.wav")
echo "ffmpeg -i in.mp3 out.wav:        ${ff} s (${size_ff} bytes)"
echo "decode graph under Wine:         ${gr} s (${size_gr} bytes; whole program ${whole} s)"
awk -v g="$gr" -v f="$ff" 'BEGIN { printf "ratio graph / ffmpeg:            %.2f (target <= 2)\n", g / f }'
if [ -n "${cpu_ff:-}" ]; then
    awk -v g="$cpu_gr" -v f="$cpu_ff" \
        'BEGIN { printf "processor time: ffmpeg %.2f s, graph program %.2f s, ratio %.2f\n", f, g, g / f }'
fi

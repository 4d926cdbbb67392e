#!/usr/bin/env bash
# Opening a 10-minute MP3 in the editor under Wine until Play is enabled
# (decode, waveform, playback graph), against `ffmpeg -i in.mp3 out.wav` on
# the same file, in the same run. editor_open.exe starts mredit.exe with the
# file on its command line and times it; the editor's own start (until its
# window shows) is printed apart and left out of the ratio. Also printed:
# whether the open showed visible progress throughout (the decoded file's
# growth and any progress bar; the longest stretch without either) and the
# slowest answer of the editor's window meanwhile. The target is at most 2.
#   bench/editor_open/editor_open.sh [WINDOWS_BUILD_DIR]   (default build/windows)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/windows}
[ -d "$build" ] || cmake --preset windows -B "$build" >/dev/null
cmake --build "$build" -j2 --target editor_open >/dev/null

work=$(mktemp -d /tmp/mr_editor_open.XXXXXX)
trap 'rm -rf "$work"' EXIT
# Ten minutes of speech, 44100 Hz stereo at 128 kbit/s.
espeak-ng -s 150 -w "$work/voice.wav" "Every word of this song is set in time, one syllable after another."
sox "$work/voice.wav" -r 44100 -c 2 "$work/voice2.wav"
sox "$work/voice2.wav" "$work/ten.wav" repeat - trim 0 600
lame --quiet -b 128 "$work/ten.wav" "$work/in.mp3"
rm -f "$work/voice.wav" "$work/voice2.wav" "$work/ten.wav"

win_path() { echo "Z:$(realpath "$1" | tr / '\\')"; }
editor_run() {  # one open; its report in $work/report
    scripts/wine-run --root "$build/wine" "$build/bin/editor_open.exe" "$(win_path "$work/in.mp3")" 2>/dev/null \
        | tr -d '\r' > "$work/report"
}
field() { awk -v k="$1" '$1 == k { print $2 }' "$work/report"; }
ffmpeg_time() {
    local s e
    s=$(date +%s.%N)
    ffmpeg -v error -y -i "$work/in.mp3" "$work/ffmpeg.wav"
    e=$(date +%s.%N)
    awk -v s="$s" -v e="$e" 'BEGIN { printf "%.3f\n", e - s }'
}
less() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }

editor_run  # Wine's prefix and the modules' registration, once
best_ff=""
for _ in 1 2 3; do
    t=$(ffmpeg_time)
    if [ -z "$best_ff" ] || less "$t" "$best_ff"; then best_ff=$t; fi
done
best_open=""
for _ in 1 2 3; do
    editor_run
    t=$(field open)
    [ -n "$t" ] || { echo "editor_open: the editor did not get ready" >&2; cat "$work/report" >&2; exit 1; }
    if [ -z "$best_open" ] || less "$t" "$best_open"; then best_open=$t; cp "$work/report" "$work/best"; fi
done
cp "$work/best" "$work/report"
size_ff=$(stat -c %s "$work/ffmpeg.wav")
echo "ffmpeg -i in.mp3 out.wav:           ${best_ff} s (${size_ff} bytes)"
echo "editor open until Play is enabled:  ${best_open} s (decoded $(field decoded_bytes) bytes by $(field decoded_at) s;" \
     "editor window after $(field window) s, not counted)"
awk -v g="$best_open" -v f="$best_ff" 'BEGIN { printf "ratio editor / ffmpeg:               %.2f (target <= 2)\n", g / f }'
awk -v w="$(field window)" -v d="$(field decoded_at)" -v r="$(field ready)" -v f="$best_ff" 'BEGIN {
    printf "of which decoding:                  %.3f s (%.2f x ffmpeg), waveform and playback graph %.3f s\n",
           d - w, (d - w) / f, r - d }'
echo "progress dialog shown:              $(field progress_dialog) ($(field progress_values) values)"
echo "longest time without progress:      $(field longest_still) s (decoded file growth or progress bar; $(field samples) samples)"
echo "slowest answer of the editor:       $(field slowest_answer) s"
echo "editor exit code:                   $(field exit)"

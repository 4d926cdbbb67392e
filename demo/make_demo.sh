#!/usr/bin/env bash
# Makes the demo song and its lyrics:
#   demo/demo.mp3  about 28 s: a pad over C Am F G, bass, a light beat, and
#                  espeak-ng singing the words at the times of the table below
#   demo/demo.txt  the words as plain-text lyrics (one line per CR LF)
#   demo/demo.lrc  the same lyrics timed, with a stamp at every word
# Every word is synthesised on its own, its silences trimmed, and laid into the
# voice track at an exact sample, so the stamps are where the words begin; a
# word ends at its next stamp, a line at the end of its last word's sound.
# sox runs in repeatable mode (fixed seeds), so two runs give the same files.
#   demo/make_demo.sh [OUTDIR]        (OUTDIR defaults to demo/)
# Needs sox, espeak-ng, lame and ffprobe (scripts/setup installs them).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here}
mkdir -p "$out"
out=$(cd "$out" && pwd)

for tool in sox espeak-ng lame ffprobe; do
    command -v "$tool" >/dev/null 2>&1 || { echo "make_demo: $tool is missing (run scripts/setup)" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

rate=44100
beat_s=0.5                       # 120 beats a minute
beat=$((rate / 2))               # samples per beat
bar=$((beat * 4))                # one chord per bar
bars=14                          # intro bar, 12 bars of C Am F G, final bar
sox() { command sox -R -V1 "$@"; }

# --- Words: line number, onset in beats from the song's start, espeak pitch
# (0-99), word. The last word of a line is held longer.
words=$(cat <<'EOF'
1 4    50 Lanterns
1 5.5  46 on
1 6    50 the
1 6.5  58 quay
2 12   54 Swinging
2 13   50 slow
2 14   46 in
2 14.5 46 the
2 15   42 rain
3 20   50 Every
3 21   54 boat
3 22   58 that
3 22.5 54 leaves
3 23   50 tonight
4 28   46 Carries
4 29   50 home
4 30   54 a
4 30.5 50 name
5 36   58 Row
5 37   54 the
5 37.5 58 light
5 38.5 62 away
6 44   50 Hum
6 45   46 it
6 45.5 50 low
6 46.5 46 and
6 47   42 stay
EOF
)

samples_of() { command soxi -s "$1"; }

# Synthesises each word, trimmed to its sound, and fits it before the next
# word's onset (a word too long is sped up, a line's last word slowed to hold).
n=0
declare -a w_line w_onset w_text w_len
while read -r line onset pitch text; do
    on=$(awk -v b="$onset" -v s="$beat" 'BEGIN { printf "%d", b * s + 0.5 }')
    espeak-ng -v en-us -s 150 -p "$pitch" -w "$work/raw$n.wav" "$text"
    sox "$work/raw$n.wav" -r $rate -c 1 -b 16 "$work/w$n.wav" \
        silence 1 0.004 0.6% reverse silence 1 0.004 0.6% reverse
    w_line[n]=$line w_onset[n]=$on w_text[n]=$text
    n=$((n + 1))
done <<<"$words"

for ((i = 0; i < n; i++)); do
    len=$(samples_of "$work/w$i.wav")
    last=0
    if ((i + 1 < n)) && [ "${w_line[i + 1]}" = "${w_line[i]}" ]; then
        room=$((w_onset[i + 1] - w_onset[i] - rate / 25))   # 40 ms before the next word
    else
        last=1
        room=$((beat * 3))                                    # held up to three beats
    fi
    if ((last)); then
        # Slowed to about 1.1 s (never beyond the room), pitch kept.
        want=$((rate * 11 / 10)); ((want > room)) && want=$room
        ((want > len)) && sox "$work/w$i.wav" "$work/t$i.wav" tempo -s "$(awk -v a="$len" -v b="$want" 'BEGIN { printf "%.4f", a / b }')" \
            && mv "$work/t$i.wav" "$work/w$i.wav"
    elif ((len > room)); then
        sox "$work/w$i.wav" "$work/t$i.wav" tempo -s "$(awk -v a="$len" -v b="$room" 'BEGIN { printf "%.4f", a / b }')"
        mv "$work/t$i.wav" "$work/w$i.wav"
    fi
    # tempo may leave a few samples more than asked: cut to the room exactly.
    len=$(samples_of "$work/w$i.wav")
    ((len > room)) && len=$room
    sox "$work/w$i.wav" "$work/t$i.wav" trim 0 "${len}s" fade h 0 0 0.01
    mv "$work/t$i.wav" "$work/w$i.wav"
    w_len[i]=$(samples_of "$work/w$i.wav")
done

# The voice track: silence up to each onset, then the word.
total=$((bar * bars + rate))     # and a second for the reverb to ring out
parts=()
at=0
for ((i = 0; i < n; i++)); do
    gap=$((w_onset[i] - at))
    sox -r $rate -c 1 -b 16 -n "$work/gap$i.wav" trim 0 "${gap}s"
    parts+=("$work/gap$i.wav" "$work/w$i.wav")
    at=$((w_onset[i] + w_len[i]))
done
sox -r $rate -c 1 -b 16 -n "$work/tail.wav" trim 0 "$((total - at))s"
sox "${parts[@]}" "$work/tail.wav" "$work/voice.wav" reverb 20 50 40 norm -3 channels 2

# --- Music. Notes as semitones from A4.
note() {  # out seconds semitones shape volume fade-in fade-out
    sox -r $rate -c 1 -b 16 -n "$1" synth "$2" "$4" "%$3" vol "$5" fade q "$6" "$2" "$7"
}
chord_notes() {
    case $1 in
        C)  echo "-21 -5 -2 3" ;;
        Am) echo "-24 -5 0 3" ;;
        F)  echo "-28 -4 0 3" ;;
        G)  echo "-26 -7 -2 2" ;;
    esac
}
bar_s=$(awk -v b="$bar" -v r="$rate" 'BEGIN { printf "%.6f", b / r }')
for c in C Am F G; do
    set -- $(chord_notes $c)
    note "$work/bass$c.wav" "$bar_s" "$1" sine 0.9 0.01 0.3
    note "$work/p1$c.wav" "$bar_s" "$2" triangle 0.35 0.25 0.4
    note "$work/p2$c.wav" "$bar_s" "$3" triangle 0.35 0.25 0.4
    note "$work/p3$c.wav" "$bar_s" "$4" triangle 0.25 0.25 0.4
    sox -m -v 1 "$work/bass$c.wav" -v 1 "$work/p1$c.wav" -v 1 "$work/p2$c.wav" -v 1 "$work/p3$c.wav" \
        "$work/bar$c.wav" trim 0 "${bar}s"
done
progression=("$work/barC.wav")
for _ in 1 2 3; do progression+=("$work/barC.wav" "$work/barAm.wav" "$work/barF.wav" "$work/barG.wav"); done
sox "${progression[@]}" "$work/barC.wav" "$work/pad.wav" pad 0 1 reverb 40 50 60 channels 2

# Drums in eighth notes (a quarter of a second each): kick on 1 and 3, a soft
# snare on 2 and 4, a hat on every eighth.
eighth=$((beat / 2))
sox -r $rate -c 1 -b 16 -n "$work/kick.wav" synth 0.12 sine 150-45 vol 0.9 fade q 0 0.12 0.09
sox -r $rate -c 1 -b 16 -n "$work/snare.wav" synth 0.10 noise lowpass 3000 vol 0.25 fade q 0 0.10 0.08
sox -r $rate -c 1 -b 16 -n "$work/hat.wav" synth 0.03 noise highpass 7000 vol 0.12 fade q 0 0.03 0.025
fit() { sox "$1" "$2" pad 0 1 trim 0 "${eighth}s"; }
fit "$work/hat.wav" "$work/eH.wav"
sox -m -v 1 "$work/kick.wav" -v 1 "$work/hat.wav" "$work/kh.wav"; fit "$work/kh.wav" "$work/eK.wav"
sox -m -v 1 "$work/snare.wav" -v 1 "$work/hat.wav" "$work/sh.wav"; fit "$work/sh.wav" "$work/eS.wav"
sox "$work/eK.wav" "$work/eH.wav" "$work/eS.wav" "$work/eH.wav" \
    "$work/eK.wav" "$work/eH.wav" "$work/eS.wav" "$work/eH.wav" "$work/drumbar.wav"
sox -r $rate -c 1 -b 16 -n "$work/rest.wav" trim 0 "${bar}s"
drums=("$work/rest.wav")          # the intro bar is the pad alone
for ((b = 1; b < bars - 1; b++)); do drums+=("$work/drumbar.wav"); done
sox "${drums[@]}" "$work/eK.wav" "$work/drums.wav" pad 0 "$(awk -v r="$rate" -v t="$total" -v b="$bar" -v n="$bars" -v e="$eighth" \
    'BEGIN { printf "%.6f", (t - b * (n - 1) - e) / r }')" remix 1 1

# Every stem must span the song exactly, or the words would drift off their stamps.
for stem in voice pad drums; do
    got=$(samples_of "$work/$stem.wav")
    [ "$got" -eq "$total" ] || { echo "make_demo: $stem track has $got samples, not $total" >&2; exit 1; }
done
sox -m -v 0.55 "$work/pad.wav" -v 0.5 "$work/drums.wav" "$work/music.wav" trim 0 "${total}s"
sox -m -v 0.6 "$work/music.wav" -v 1 "$work/voice.wav" "$work/mix.wav" trim 0 "${total}s" \
    fade q 0 "${total}s" 1.5 norm -1

lame --quiet --cbr -b 64 -m j --resample 44.1 --noreplaygain \
    --tt "Lanterns on the Quay" --ta "The Mirelto Demo Band" --tl "Sample Sessions" \
    "$work/mix.wav" "$out/demo.mp3.tmp"
mv "$out/demo.mp3.tmp" "$out/demo.mp3"

# --- Lyrics files.
stamp() {  # samples -> mm:ss.xx (centiseconds, rounded)
    awk -v s="$1" -v r="$rate" 'BEGIN { c = int(s * 100 / r + 0.5); printf "%02d:%02d.%02d", c / 6000, (c / 100) % 60, c % 100 }'
}
{
    printf '[ti:Lanterns on the Quay]\r\n[ar:The Mirelto Demo Band]\r\n[al:Sample Sessions]\r\n[by:Mirelto]\r\n\r\n'
    for ((i = 0; i < n; i++)); do
        if ((i == 0)) || [ "${w_line[i - 1]}" != "${w_line[i]}" ]; then
            printf '[%s]' "$(stamp "${w_onset[i]}")"
        fi
        printf '<%s>%s' "$(stamp "${w_onset[i]}")" "${w_text[i]}"
        if ((i + 1 < n)) && [ "${w_line[i + 1]}" = "${w_line[i]}" ]; then
            printf ' '
        else
            printf '<%s>\r\n' "$(stamp $((w_onset[i] + w_len[i])))"
        fi
    done
} >"$out/demo.lrc.tmp"
mv "$out/demo.lrc.tmp" "$out/demo.lrc"

{
    for ((i = 0; i < n; i++)); do
        printf '%s' "${w_text[i]}"
        # Lines are separated by CR LF; none after the last, which would read
        # as one more, empty, line.
        if ((i + 1 == n)); then :; elif [ "${w_line[i + 1]}" = "${w_line[i]}" ]; then printf ' '; else printf '\r\n'; fi
    done
} >"$out/demo.txt.tmp"
mv "$out/demo.txt.tmp" "$out/demo.txt"

bytes=$(stat -c %s "$out/demo.mp3")
seconds=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$out/demo.mp3")
echo "make_demo: $out/demo.mp3 ($bytes bytes, $seconds s), demo.txt, demo.lrc ($n words)"
if ((bytes > 300 * 1024)); then
    echo "make_demo: demo.mp3 is over 300 KB" >&2
    exit 1
fi

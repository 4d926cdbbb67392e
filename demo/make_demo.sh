#!/usr/bin/env bash
# Makes the demo song and its lyrics:
#   demo/demo.mp3  about 23 s: a pad over C Am F G, bass, a light beat, and
#                  espeak-ng singing six lines at the times of the table below
#   demo/demo.txt  the words as plain-text lyrics (one line per CR LF)
#   demo/demo.lrc  the same lyrics timed, with a stamp at every syllable
# Every syllable is synthesised on its own, its silences trimmed, and laid
# into the voice track at an exact sample, so the stamps are where the
# syllables begin; a syllable ends at the next stamp, a line at the end of its
# last syllable's sound. ffmpeg and the editor's decode graph under Wine both
# decode the MP3 without shifting it (the LAME header carries the encoder's
# delay).
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
beat=$((rate * 2 / 5))           # 150 beats a minute: 0.4 s
bar=$((beat * 4))                # one chord per bar
origin=$rate                     # the first sung bar starts at 1 s
bars=12                          # C Am F G three times, then a final C
total=$((origin + bar * (bars + 1) + rate))   # and a second to ring out
sox() { command sox -R -V1 "$@"; }
samples_of() { command soxi -s "$1"; }

# --- Syllables: line, onset in beats from the first sung bar, espeak pitch
# (0-99), the syllable as the lyrics spell it (a trailing "-" joins it to the
# next one without a space), and as espeak is to say it. Each line's last
# syllable is held.
syllables=$(cat <<'EOF'
1 0    50 Lan-    lan
1 1    54 terns   terns
1 2    46 on      on
1 2.5  50 the     the
1 3    58 quay    key
2 8    54 Swing-  swing
2 9    50 ing     ing
2 10   50 slow    slow
2 11   46 in      in
2 11.5 46 the     the
2 12   42 rain    rain
3 16   50 Ev-     ev
3 16.5 50 ery     ree
3 17   54 boat    boat
3 18   58 that    that
3 19   54 leaves  leaves
3 20   50 to-     to
3 20.5 46 night   night
4 24   46 Car-    car
4 25   50 ries    reez
4 26   54 home    home
4 27   50 a       uh
4 28   46 name    name
5 32   58 Row     row
5 33   54 the     the
5 34   58 light   light
5 35   54 a-      uh
5 36   62 way     way
6 40   50 Hum     hum
6 41   46 it      it
6 42   50 low     low
6 43   46 and     and
6 44   42 stay    stay
EOF
)

# Synthesises each syllable, trimmed to its sound, and fits it before the
# next one's onset (one too long is sped up, a line's last one slowed to hold).
n=0
declare -a w_line w_onset w_text w_len
while read -r line onset pitch text spoken; do
    w_line[n]=$line
    w_onset[n]=$(awk -v o="$origin" -v b="$onset" -v s="$beat" 'BEGIN { printf "%d", o + b * s + 0.5 }')
    w_text[n]=$text
    espeak-ng -v en-us -s 210 -p "$pitch" -w "$work/raw$n.wav" "$spoken"
    sox "$work/raw$n.wav" -r $rate -c 1 -b 16 "$work/w$n.wav" \
        silence 1 0.004 0.6% reverse silence 1 0.004 0.6% reverse
    n=$((n + 1))
done <<<"$syllables"

same_line() { (($1 + 1 < n)) && [ "${w_line[$1 + 1]}" = "${w_line[$1]}" ]; }
stretch() {  # index factor: tempo change with the pitch kept
    sox "$work/w$1.wav" "$work/t$1.wav" tempo -s "$2"
    mv "$work/t$1.wav" "$work/w$1.wav"
}
for ((i = 0; i < n; i++)); do
    len=$(samples_of "$work/w$i.wav")
    if same_line $i; then
        room=$((w_onset[i + 1] - w_onset[i] - rate / 25))   # 40 ms before the next one
        ((len <= room)) || stretch $i "$(awk -v a="$len" -v b="$room" 'BEGIN { printf "%.4f", a / b }')"
    else
        room=$((beat * 3))                                    # held up to three beats
        if ((i + 1 < n)) && ((w_onset[i + 1] - w_onset[i] - rate / 25 < room)); then
            room=$((w_onset[i + 1] - w_onset[i] - rate / 25))
        fi
        want=$((rate * 11 / 10))                              # about 1.1 s
        ((len >= want)) || stretch $i "$(awk -v a="$len" -v b="$want" 'BEGIN { printf "%.4f", a / b }')"
    fi
    # tempo may leave a few samples more than asked: cut to the room exactly.
    len=$(samples_of "$work/w$i.wav")
    ((len <= room)) || len=$room
    sox "$work/w$i.wav" "$work/t$i.wav" trim 0 "${len}s" fade h 0 0 0.01
    mv "$work/t$i.wav" "$work/w$i.wav"
    w_len[i]=$(samples_of "$work/w$i.wav")
done

# The voice track: silence up to each onset, then the syllable.
parts=()
at=0
for ((i = 0; i < n; i++)); do
    sox -r $rate -c 1 -b 16 -n "$work/gap$i.wav" trim 0 "$((w_onset[i] - at))s"
    parts+=("$work/gap$i.wav" "$work/w$i.wav")
    at=$((w_onset[i] + w_len[i]))
done
sox -r $rate -c 1 -b 16 -n "$work/tail.wav" trim 0 "$((total - at))s"
sox "${parts[@]}" "$work/tail.wav" "$work/voice.wav" reverb 20 50 40 norm -3 channels 2

# --- Music. Notes as semitones from A4.
note() {  # out samples semitones shape volume fade-in fade-out
    local s
    s=$(awk -v n="$2" -v r="$rate" 'BEGIN { printf "%.6f", n / r }')
    sox -r $rate -c 1 -b 16 -n "$1" synth "$s" "$4" "%$3" vol "$5" fade q "$6" "$s" "$7" trim 0 "${2}s"
}
chord_notes() {
    case $1 in
        C)  echo "-21 -5 -2 3" ;;
        Am) echo "-24 -5 0 3" ;;
        F)  echo "-28 -4 0 3" ;;
        G)  echo "-26 -7 -2 2" ;;
    esac
}
chord() {  # name samples out: bass and a three-note pad
    set -- "$1" "$2" "$3" $(chord_notes "$1")
    note "$work/n1.wav" "$2" "$4" sine 0.9 0.01 0.3
    note "$work/n2.wav" "$2" "$5" triangle 0.35 0.25 0.4
    note "$work/n3.wav" "$2" "$6" triangle 0.35 0.25 0.4
    note "$work/n4.wav" "$2" "$7" triangle 0.25 0.25 0.4
    sox -m -v 1 "$work/n1.wav" -v 1 "$work/n2.wav" -v 1 "$work/n3.wav" -v 1 "$work/n4.wav" "$3"
}
for c in C Am F G; do chord $c $bar "$work/bar$c.wav"; done
# Before the first sung bar: a fifth of a second of silence, then two beats
# of C swelling in.
lead=$((rate / 5))
sox -r $rate -c 1 -b 16 -n "$work/lead.wav" trim 0 "${lead}s"
chord C $((origin - lead)) "$work/intro.wav"
progression=("$work/lead.wav" "$work/intro.wav")
for _ in 1 2 3; do progression+=("$work/barC.wav" "$work/barAm.wav" "$work/barF.wav" "$work/barG.wav"); done
sox "${progression[@]}" "$work/barC.wav" "$work/pad.wav" pad 0 "${rate}s" reverb 40 50 60 channels 2

# Drums in eighth notes: kick on 1 and 3, a soft snare on 2 and 4, a hat on
# every eighth; the intro has none, the final bar only its first kick.
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
sox -r $rate -c 1 -b 16 -n "$work/rest.wav" trim 0 "${origin}s"
drums=("$work/rest.wav")
for ((b = 0; b < bars; b++)); do drums+=("$work/drumbar.wav"); done
sox "${drums[@]}" "$work/eK.wav" "$work/drums.wav" pad 0 "$((total - origin - bar * bars - eighth))s" remix 1 1

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
piece() { local t=${w_text[$1]}; echo "${t%-}"; }                    # the syllable's text
joint() { [ "${w_text[$1]%-}" != "${w_text[$1]}" ] || echo " "; }     # what follows it in its line
stamp() {  # samples -> mm:ss.xx (centiseconds, rounded)
    awk -v s="$1" -v r="$rate" 'BEGIN { c = int(s * 100 / r + 0.5); printf "%02d:%02d.%02d", c / 6000, (c / 100) % 60, c % 100 }'
}
{
    printf '[ti:Lanterns on the Quay]\r\n[ar:The Mirelto Demo Band]\r\n[al:Sample Sessions]\r\n[by:Mirelto]\r\n\r\n'
    for ((i = 0; i < n; i++)); do
        if ((i == 0)) || [ "${w_line[i - 1]}" != "${w_line[i]}" ]; then
            printf '[%s]' "$(stamp "${w_onset[i]}")"
        fi
        printf '<%s>%s' "$(stamp "${w_onset[i]}")" "$(piece $i)"
        if same_line $i; then
            printf '%s' "$(joint $i)"
        else
            printf '<%s>\r\n' "$(stamp $((w_onset[i] + w_len[i])))"
        fi
    done
} >"$out/demo.lrc.tmp"
mv "$out/demo.lrc.tmp" "$out/demo.lrc"

{
    for ((i = 0; i < n; i++)); do
        printf '%s' "$(piece $i)"
        # Lines are separated by CR LF; none after the last, which would read
        # as one more, empty, line.
        if same_line $i; then printf '%s' "$(joint $i)"; elif ((i + 1 < n)); then printf '\r\n'; fi
    done
} >"$out/demo.txt.tmp"
mv "$out/demo.txt.tmp" "$out/demo.txt"

bytes=$(stat -c %s "$out/demo.mp3")
seconds=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$out/demo.mp3")
echo "make_demo: $out/demo.mp3 ($bytes bytes, $seconds s), demo.txt, demo.lrc ($n syllables)"
if ((bytes > 300 * 1024)); then
    echo "make_demo: demo.mp3 is over 300 KB" >&2
    exit 1
fi

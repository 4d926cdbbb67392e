#!/usr/bin/env bash
# Makes the synthetic songs the timing-suggestion tests align, into OUTDIR:
# spoken words (espeak-ng), four to a line, put one after another with exact
# rests of 50-600 ms between words and about a second between lines, over a
# sustained chord and a pink-noise bed. For each song NAME:
#   NAME.wav    44100 Hz stereo 16-bit, as the decode graph writes it
#   NAME.truth  one line per word: its first sample's time in ms (3 decimals)
#               and 1 when it begins a line, else 0
#   NAME.txt    the lyrics, one line of four words per line
# Songs: three voices and tempi at a bed 14 dB below the voice (a, b, c),
# song a with no bed, with the bed at -6 and 0 dB, and with a drum beat
# under it; plus silent.wav (all zero) and tone.wav (a steady chord only).
# Files already made by this version of the script are kept.
#   make_songs.sh OUTDIR
set -euo pipefail

out=${1:?usage: make_songs.sh OUTDIR}
mkdir -p "$out"
cd "$out"

for tool in espeak-ng sox; do
    command -v "$tool" >/dev/null || { echo "make_songs.sh: $tool is missing (scripts/setup installs it)" >&2; exit 1; }
done

# The same songs on every run: sox's dither and noise from its fixed seed.
sox() { command sox -R "$@"; }

stamp="v3"
if [ -f stamp ] && [ "$(cat stamp)" = "$stamp" ] && [ -s tone.wav ]; then
    exit 0
fi
rm -f ./*.wav ./*.truth ./*.txt stamp
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

rate=44100
words=(love night heart fire dream rain light away shine river golden morning
       summer falling open never ocean silver window forever sky water broken
       simple together yellow hold dancing little stone wind calling home
       tonight mountain better sun paper flying)

# rms_db FILE: the RMS level of FILE in dBFS.
rms_db() { sox "$1" -n stats 2>&1 | awk '/^RMS lev dB/ {print $4}'; }

# voice NAME VOICE SPEED SEED: the voice track NAME.voice.wav, NAME.truth, NAME.txt.
voice() {
    local name=$1 v=$2 speed=$3
    RANDOM=$4
    local pieces=() pos=0 n=0 line=""
    : > "$name.truth"
    : > "$name.txt"
    # Half a second of lead-in before the first word.
    local lead=$((rate / 2))
    for l in 0 1 2 3 4 5 6 7; do
        line=""
        for w in 0 1 2 3; do
            local word=${words[$(((n * 7 + l) % ${#words[@]}))]}
            n=$((n + 1))
            espeak-ng -v "$v" -s "$speed" -w "$work/raw.wav" "$word"
            # The word from its first to its last sample above -50 dBFS.
            sox "$work/raw.wav" -r $rate -c 1 -b 16 "$work/w$n.wav" \
                silence 1 1s -50d reverse silence 1 1s -50d reverse
            local begins=0
            [ $w -eq 0 ] && begins=1
            awk -v p=$((pos + lead)) -v r=$rate -v b=$begins 'BEGIN { printf "%.3f %d\n", p * 1000 / r, b }' \
                >> "$name.truth"
            line="$line${line:+ }$word"
            # The rest after the word: 50-600 ms within a line, 0.9-1.2 s after it.
            local rest
            if [ $w -lt 3 ]; then rest=$((50 + RANDOM % 551)); else rest=$((900 + RANDOM % 301)); fi
            sox "$work/w$n.wav" "$work/p$n.wav" pad ${lead}s $((rest * rate / 1000))s
            lead=0
            pieces+=("$work/p$n.wav")
            pos=$((pos + $(soxi -s "$work/p$n.wav")))
        done
        printf '%s\r\n' "$line" >> "$name.txt"
    done
    sox "${pieces[@]}" "$name.voice.wav"
}

# bed SECONDS FILE: a sustained A major chord with a few partials, and pink
# noise, at equal RMS, as one mono track.
bed() {
    sox -n -r $rate -c 1 -b 16 "$work/chord.wav" synth "$1" sine 110 sine 220 sine 277.18 sine 329.63 \
        sine 440 sine 554.37 sine 659.26 remix - gain -n -20
    sox -n -r $rate -c 1 -b 16 "$work/noise.wav" synth "$1" pinknoise gain -n -20
    local c n
    c=$(rms_db "$work/chord.wav")
    n=$(rms_db "$work/noise.wav")
    sox -m -v 1 "$work/chord.wav" -v "$(awk -v c="$c" -v n="$n" 'BEGIN { print 10 ^ ((c - n) / 20) }')" \
        "$work/noise.wav" "$2"
}

# beat SECONDS FILE: a kick on every beat and a noise snare on the off-beats at 120 bpm.
beat() {
    sox -n -r $rate -c 1 -b 16 "$work/kick.wav" synth 0.25 sine 60 fade q 0.002 0.25 0.2
    sox -n -r $rate -c 1 -b 16 "$work/snare.wav" synth 0.25 whitenoise fade q 0.001 0.25 0.22 gain -8
    sox "$work/kick.wav" "$work/snare.wav" "$work/bar.wav"
    local bars
    bars=$(awk -v s="$1" 'BEGIN { print int(s / 0.5) + 1 }')
    sox "$work/bar.wav" "$work/beat_long.wav" repeat "$bars"
    sox "$work/beat_long.wav" "$2" trim 0 "$1"
}

# song NAME VOICE_NAME BED_DB [beat]: NAME.wav from the voice track of
# VOICE_NAME with the bed BED_DB below the voice's RMS ("none": no bed).
song() {
    local name=$1 from=$2 level=$3
    local dur
    dur=$(soxi -D "$from.voice.wav")
    local inputs=(-v 1 "$from.voice.wav")
    if [ "$level" != none ]; then
        bed "$dur" "$work/bed.wav"
        local gain
        gain=$(awk -v v="$(rms_db "$from.voice.wav")" -v b="$(rms_db "$work/bed.wav")" -v l="$level" \
            'BEGIN { print 10 ^ ((v + l - b) / 20) }')
        inputs+=(-v "$gain" "$work/bed.wav")
    fi
    if [ "${4:-}" = beat ]; then
        beat "$dur" "$work/beat.wav"
        local gain
        gain=$(awk -v v="$(rms_db "$from.voice.wav")" -v b="$(rms_db "$work/beat.wav")" \
            'BEGIN { print 10 ^ ((v - 6 - b) / 20) }')
        inputs+=(-v "$gain" "$work/beat.wav")
    fi
    if [ ${#inputs[@]} -gt 3 ]; then
        sox -m "${inputs[@]}" -r $rate -c 2 -b 16 "$name.wav" gain -n -3
    else
        sox "$from.voice.wav" -r $rate -c 2 -b 16 "$name.wav" gain -n -3
    fi
    [ "$name" = "$from" ] || { cp "$from.truth" "$name.truth"; cp "$from.txt" "$name.txt"; }
}

voice a en-us 150 11
voice b en-gb 190 22
voice c en+f3 120 33
song a a -14
song b b -14
song c c -14
song a_clean a none
song a_bed6 a -6
song a_bed0 a 0
song a_beat a -14 beat
rm -f ./*.voice.wav

sox -n -r $rate -c 2 -b 16 silent.wav trim 0 3
sox -n -r $rate -c 1 -b 16 "$work/tone.wav" synth 6 sine 220 sine 277.18 sine 329.63 remix - gain -n -10
sox "$work/tone.wav" -c 2 tone.wav
echo "$stamp" > stamp

#!/usr/bin/env bash
# Makes the real media the audio tests decode and play, into OUTDIR:
#   speech.wav    a few seconds of synthetic speech (espeak-ng), 22050 Hz mono 16-bit
#   speech.mp3    the same, 44100 Hz stereo MPEG-1 layer III (lame)
#   speech.flac   the same as FLAC (sox), for decoders that take it
#   not_audio.mp3 a text file under an audio name
# Files already made from the same inputs are kept, so repeated runs are quick.
#   make_media.sh OUTDIR
set -euo pipefail

out=${1:?usage: make_media.sh OUTDIR}
mkdir -p "$out"
cd "$out"

for tool in espeak-ng lame sox; do
    command -v "$tool" >/dev/null || { echo "make_media.sh: $tool is missing (scripts/setup installs it)" >&2; exit 1; }
done

text="Every word of this song is set in time, one syllable after another, while the music plays."
stamp="v1 $text"
if [ -f stamp ] && [ "$(cat stamp)" = "$stamp" ] && [ -s speech.mp3 ]; then
    exit 0
fi

espeak-ng -s 150 -w voice.wav "$text"
# A steady 22050 Hz mono file, with a quiet start and end so the waveform has
# both silence and speech.
sox voice.wav -r 22050 -c 1 -b 16 speech.wav pad 0.3 0.3
sox speech.wav -r 44100 -c 2 stereo.wav
lame --quiet -b 128 stereo.wav speech.mp3
sox speech.wav speech.flac
rm -f voice.wav stereo.wav
printf 'These are lyrics, not audio.\r\nSecond line.\r\n' > not_audio.mp3
echo "$stamp" > stamp

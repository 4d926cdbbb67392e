#!/usr/bin/env bash
# Regenerates the karaoke MIDI test files from their ABC tunes with abc2midi
# (Debian's abcmidi package). The .mid files are committed, so the tests need
# no abc2midi; run this only after changing a tune.
set -euo pipefail
cd "$(dirname "$0")"
for tune in *.abc; do
    abc2midi "$tune" -o "${tune%.abc}.mid" -silent
done

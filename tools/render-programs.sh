#!/usr/bin/env bash
# Renders every built-in program playing its audition (a note or phrase that
# suits it) to OUT/NN.wav and a spectrogram OUT/NN.png, prints each one's
# levels, and puts the 70 spectrograms on one contact sheet, OUT/sheet.png.
#   tools/render-programs.sh BUILD_FOLDER OUT_FOLDER [N...]
# Needs sox, and ImageMagick's montage for the sheet.
set -euo pipefail

build=${1:?build folder}
out=${2:?output folder}
shift 2
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
plugin="$build/Kolbri.vst/Contents/x86_64-linux/Kolbri.so"
vsthost="$build/tools/vsthost"
bank=("$root"/plugin/programs/*.txt)
programbank="$build/tools/programbank/kolbri_programbank"
# The tail after the last note-off: long enough for the longest release and echo.
tail_seconds=3

mkdir -p "$out"

numbers=("$@")
if ((${#numbers[@]} == 0)); then numbers=($(seq 0 69)); fi
for n in "${numbers[@]}"; do
  IFS=$'\t' read -r name notes seconds < <("$programbank" audition "$n" "${bank[@]}")
  file=$(printf '%s/%02d' "$out" "$n")
  # Each program reaches the plug-in as a host loads a program file.
  "$programbank" fxp "$n" "$file.fxp" "${bank[@]}"
  select=(--fxp "$file.fxp")
  read -ra note_options <<<"$notes"
  summary=$("$vsthost" render "$plugin" "$file.wav" "${select[@]}" "${note_options[@]}" \
    --seconds "$(awk -v a="$seconds" -v b="$tail_seconds" 'BEGIN { print a + b }')")
  printf '%02d %-24s %s\n' "$n" "$name" "${summary#*: }"
  sox "$file.wav" -n spectrogram -x 320 -y 160 -z 90 -t "$(printf '%02d %s' "$n" "$name")" -o "$file.png"
done
if ((${#numbers[@]} == 70)); then
  montage "$out"/[0-9][0-9].png -tile 7x10 -geometry +2+2 "$out/sheet.png"
  echo "contact sheet: $out/sheet.png"
fi

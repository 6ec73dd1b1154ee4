#!/usr/bin/env bash
# Renders the hand-drawn SVG icons in src/ into the PNG files the program
# and the desktop use (ImageMagick). Run after changing an SVG.
set -euo pipefail
cd "$(dirname "$0")"
for n in new open save execute table figure report about exit; do
  convert -background none -density 384 "src/$n.svg" -filter Box -resize 16x16 -depth 8 "$n.png"
  convert -background none -density 384 "src/$n.svg" -filter Box -resize 32x32 -depth 8 "$n@2x.png"
done
for s in 16 32 48 64 128 256; do
  d=$((96 * s / 64))
  convert -background none -density "$d" src/lattrix.svg -resize "${s}x${s}" -depth 8 "lattrix-$s.png"
  convert -background none -density "$d" src/job.svg -resize "${s}x${s}" -depth 8 "job-$s.png"
done
cp src/lattrix.svg lattrix.svg
cp src/job.svg job.svg

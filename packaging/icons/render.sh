#!/usr/bin/env bash
# Renders the committed PNG icons from the SVG after the picture changes (Debian: librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"
for size in 48 128 256; do
  rsvg-convert -w "$size" -h "$size" torvane.svg -o "torvane-$size.png"
done

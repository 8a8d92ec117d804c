#!/bin/sh
# Renders the installed PNG icons from rankhold.svg (needs rsvg-convert, in
# Debian's librsvg2-bin). Run it after changing the SVG and commit the PNGs.
set -eu
cd "$(dirname "$0")"
for size in 48 64 128 256; do
    rsvg-convert --width "$size" --height "$size" rankhold.svg --output "rankhold-$size.png"
done

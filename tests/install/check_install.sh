#!/bin/sh
# Installs a build into a temporary prefix and checks what a desktop and
# systemd take from it: the desktop entry and the example unit pass their
# validators, the unit keeps its hardening, and the icon theme folders hold
# the icon at every size and as SVG.
#   check_install.sh BUILD_DIR
set -eu
build=$1
for tool in cmake desktop-file-validate systemd-analyze python3; do
    command -v "$tool" >/dev/null || { echo "$tool is missing: scripts/deps.sh installs it"; exit 1; }
done
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
failed=0
fail() { echo "FAIL: $*"; failed=1; }

# Hints count too: the entry has none today.
entry=$prefix/share/applications/rankhold.desktop
out=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate"
[ -z "$out" ] || { echo "$out"; fail "desktop-file-validate has remarks"; }

# verify warns about unknown keys and values it cannot parse, and still
# exits with 0: any line that names the unit fails the check. It also
# checks that ExecStart names an installed program.
unit=$prefix/share/rankhold/rankhold-watch.service
out=$(systemd-analyze verify "$unit" 2>&1) || { echo "$out"; fail "systemd-analyze verify"; }
if printf '%s\n' "$out" | grep -F rankhold-watch.service; then fail "systemd-analyze verify has remarks"; fi

# The hardening as systemd reads it.
systemd-analyze security --offline=true --json=short "$unit" | python3 -c '
import json, sys
found = {e["name"]: e for e in json.load(sys.stdin)}
# A setting systemd counts as fully in effect, or the words it describes it with.
for name, words in [("NoNewPrivileges=", None), ("PrivateTmp=", None),
                    ("ProtectSystem=", "strict read-only"), ("ProtectHome=", "read-only access")]:
    e = found[name]
    if not (words in e["description"] if words else e["set"]):
        sys.exit("unit: " + name + " not in effect: " + e["description"])
' || fail "hardening"
grep -qx 'ReadWritePaths=.*' "$unit" || fail "unit: no ReadWritePaths="

# Icon=rankhold finds the theme icon at each size.
grep -qx 'Icon=rankhold' "$entry" || fail "desktop entry: Icon= is not rankhold"
icons=$prefix/share/icons/hicolor
for size in 32 48 64 128 256; do
    python3 - "$icons/${size}x$size/apps/rankhold.png" "$size" <<'PY' || fail "icon ${size}x$size"
import struct, sys
path, size = sys.argv[1], int(sys.argv[2])
with open(path, "rb") as f:
    head = f.read(24)
if head[:8] != b"\x89PNG\r\n\x1a\n" or struct.unpack(">II", head[16:24]) != (size, size):
    sys.exit(path + ": not a " + str(size) + "x" + str(size) + " PNG")
PY
done
python3 -c 'import sys, xml.etree.ElementTree as t; assert t.parse(sys.argv[1]).getroot().tag.endswith("svg")' \
    "$icons/scalable/apps/rankhold.svg" || fail "scalable icon"

[ "$failed" = 0 ] && echo "installed files: all checks passed"
exit "$failed"

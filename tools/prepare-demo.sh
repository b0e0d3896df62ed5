#!/usr/bin/env bash
# Fills a demo working directory from data/: profiles, texts, pictures, help files, catalogue,
# software and a tester folder with a few files already on it. Keeps an existing VELANTO.INI.
# Usage: tools/prepare-demo.sh BUILD_DIR DEMO_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$1
demo=$2
mkdir -p "$demo/tester/FN0"

copy_if_present() { for f in "$@"; do [ -e "$f" ] && cp -r "$f" "$demo/"; done; return 0; }
copy_if_present "$root/data/SWBASE.TXT" "$root/data/LOGO.BMP" "$root/data/LOGOINIT.BMP" \
    "$root/data/LogoPrn.Bmp" "$build"/data/TVELANTO_*.CHM
if [ -d "$root/data/demo" ]; then
    cp -r "$root/data/demo/." "$demo/"
fi
if [ -x "$root/tools/demo/make_demo_software.py" ] || [ -f "$root/tools/demo/make_demo_software.py" ]; then
    python3 "$root/tools/demo/make_demo_software.py" "$demo"
fi

if [ ! -f "$demo/VELANTO.INI" ]; then
    cat > "$demo/VELANTO.INI" <<INI
[CONFIGURAZIONE]
lingua=ITA
porta_com=COM1
dir_inst=$demo/install
[PORTE_COM]
COM1=$demo/tester.pty
INI
fi
echo "Demo working directory: $demo"

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
# The catalogue is copied only once: software installed in the demo must not be undone.
[ -f "$demo/ECU.INI" ] || cp "$root/data/demo/ECU.INI" "$demo/"
rm -rf "$demo/install"
cp -r "$root/data/demo/install" "$demo/install"
python3 "$root/tools/demo/make_demo_software.py" "$demo"

# A few files already on the tester: one whole software and the two parts of a split one.
fn0=$demo/tester/FN0
if [ -z "$(ls -A "$fn0")" ]; then
    small=$(ls "$demo" | grep -E '_[0-9]+$' | head -n 1)
    [ -n "$small" ] && cp "$demo/$small" "$fn0/"
    big=$(ls "$demo" | grep -E '_(1[0-8][0-9]{4})$' | head -n 1)
    if [ -n "$big" ]; then
        base=${big%%.*}
        ext=${big#*.}
        ext=${ext%_*}
        size=${big##*_}
        head -c 98304 "$demo/$big" > "$fn0/${base}&&1-2.${ext}_98304"
        tail -c $((size - 98304)) "$demo/$big" > "$fn0/${base}&&2-2.${ext}_$((size - 98304))"
    fi
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

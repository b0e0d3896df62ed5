#!/usr/bin/env bash
# Installs what is missing, builds ZOLT as Debian builds its packages, and writes the Debian
# packages zolt_<version>_<arch>.deb and zolt-designer-plugin_<version>_<arch>.deb.
# Usage: tools/build-package.sh [BUILD_DIR]   (default: build-package)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-package}

# The hardening and optimisation flags every Debian package is built with.
if command -v dpkg-buildflags > /dev/null; then
    export DEB_BUILD_MAINT_OPTIONS=hardening=+all
    CPPFLAGS=$(dpkg-buildflags --get CPPFLAGS)
    CFLAGS="$(dpkg-buildflags --get CFLAGS) $CPPFLAGS"
    CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $CPPFLAGS"
    LDFLAGS=$(dpkg-buildflags --get LDFLAGS)
    export CFLAGS CXXFLAGS LDFLAGS
fi
"$root/tools/setup.sh" "$build" -DCMAKE_INSTALL_PREFIX=/usr -DZOLT_TESTS=OFF -DZOLT_BENCH=OFF
cmake --build "$build" --target package
ls "$build"/*.deb
if command -v lintian > /dev/null; then
    lintian --info "$build"/zolt_*.deb || true
fi

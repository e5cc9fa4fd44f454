#!/usr/bin/env bash
# Installs the Debian packages the suite needs, and any packages named as arguments
# (the fuzzers' compiler, the formatter), only those that are missing.
#   scripts/deps.sh [PACKAGE...]
set -euo pipefail
packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libsqlite3-dev sqlite3
    mdbtools-dev
    libgtest-dev googletest
    fonts-liberation fonts-dejavu-core
    xvfb xauth dbus dbus-x11 at-spi2-core libatspi2.0-dev
    go-md2man man-db                        # manual pages: built from Markdown, read with man
    lintian desktop-file-utils appstream    # the package, launcher and metainfo checkers
    "$@"
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

#!/usr/bin/env bash
# Configures and builds one preset (default: "default"), every target or only those named.
#   scripts/build.sh [PRESET [TARGET...]]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
preset="${1:-default}"
shift || true
cd "$root"
[ -f "build/$preset/build.ninja" ] || cmake --preset "$preset" >/dev/null
if [ $# -gt 0 ]; then
    cmake --build --preset "$preset" --target "$@"
else
    cmake --build --preset "$preset"
fi

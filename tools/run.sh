#!/usr/bin/env bash
# Starts the configurator in docs/, the folder that holds the operating manual.
set -eu
build=$(cd "${1:-build}" && pwd)
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ "${QT_QPA_PLATFORM:-}" != "offscreen" ]; then
    echo "zor-position: no display found (DISPLAY is not set); run it under a virtual display: xvfb-run -a make run" >&2
    exit 1
fi
cd "$(dirname "$0")/../docs"
exec "$build/app/zor-position"

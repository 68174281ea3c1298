#!/usr/bin/env bash
# Shows one live camera control in a window: starts camsim, registers
# libstrovix.so and hosts one control with strovixctl until the window's
# time runs out (default one hour) or Ctrl+C.
#   live-demo.sh BIN_FOLDER [SECONDS]
set -euo pipefail
bin="${1:?usage: live-demo.sh BIN_FOLDER [SECONDS]}"
seconds="${2:-3600}"
port="${CAMSIM_PORT:-18081}"

"$bin/camsim" --port "$port" --quiet &
camsim=$!
trap 'kill "$camsim" 2>/dev/null; wait "$camsim" 2>/dev/null || true' EXIT
sleep 0.5
"$bin/strovixctl" register
"$bin/strovixctl" run --seconds "$seconds" --size 640x480 --credentials administrator:admin \
  "URL=http://127.0.0.1:$port" ShowText=3

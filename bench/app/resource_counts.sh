#!/usr/bin/env bash
# The descriptors and threads oculon holds, as a desktop login runs it: an
# ordinary user (nobody, when this runs as root), the open-files limit at
# 1,024 (soft and hard, so oculon cannot raise it), offscreen. Four runs,
# each on an application folder of its own: no camera, 1 camera streaming,
# 16 cameras streaming, 16 cameras recording AVI. Each prints the largest
# counts of oculon's --statistics lines after the cameras settled.
#
#   bench/app/resource_counts.sh [BUILD_DIR] [SECONDS]
set -euo pipefail
build="$(cd "${1:-$(dirname "$0")/../../build}" && pwd)"
seconds="${2:-12}"
work="$(mktemp -d)"
chmod 755 "$work"
cleanup() { [[ -n "${cams:-}" ]] && kill "$cams" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT

"$build/bin/camsim" --cameras 16 --port 0 --no-auth --fps 30 --quiet 2> "$work/camsim.err" &
cams=$!
for _ in $(seq 100); do grep -q listening "$work/camsim.err" 2>/dev/null && break; sleep 0.1; done
first=$(sed -n 's/.*listening on [^:]*:\([0-9]*\)\.\..*/\1/p' "$work/camsim.err")
[[ -n "$first" ]] || { echo "camsim did not start" >&2; exit 1; }

as_user=()
[[ $(id -u) -eq 0 ]] && as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups --)

run() { # NAME CAMERAS RECORD
  local home="$work/$1"
  mkdir -p "$home/etc"
  { echo "[App]"; echo "VIEWER_LAYOUT=16"
    for ((i = 0; i < $2; i++)); do
      printf '[Camera%d]\nIP=127.0.0.1\nPORT=%d\nDISPLAY_LOCATION=Camera %d\nREC_AT_START=%d\n' \
        $((i + 1)) $((first + i)) $((i + 1)) "$3"
    done; } > "$home/etc/config.ini"
  [[ $(id -u) -eq 0 ]] && chown -R 65534:65534 "$home"
  (ulimit -n 1024
   env -i PATH="$PATH" HOME="$home" QT_QPA_PLATFORM=offscreen OCULON_HOME="$home" \
     "${as_user[@]}" "$build/bin/oculon" --statistics 1 --quit-after "$seconds" > "$home/stats" 2> "$home/errors" || true)
  # The first four seconds are the start-up: cameras connect, recordings open.
  awk -v name="$1" -v limit=1024 '
    /^statistics:/ { t = $2 + 0; if (t < 4) next
      for (i = 1; i <= NF; i++) { if ($(i+1) ~ /^descriptors/) d = $i + 0; if ($(i+1) ~ /^threads/) th = $i + 0 }
      if (d > maxd) maxd = d; if (th > maxt) maxt = th; n++ }
    END { if (n == 0) { print name ": no statistics (see errors)"; exit 1 }
          printf "%s: at most %d descriptors, %d threads (%d samples, open-files limit %d)\n", name, maxd, maxt, n, limit }' \
    "$home/stats" || cat "$home/errors"
  if [[ "$3" == 1 ]]; then
    printf '%s: %d finished recordings, %d unfinished left\n' "$1" \
      "$(find "$home/video_rec" -name 'r-*.avi' -size +0 | wc -l)" "$(find "$home/video_rec" -name '.*.part' | wc -l)"
  fi
}
echo "oculon as $( [[ $(id -u) -eq 0 ]] && echo nobody || id -un ), load $(cut -d' ' -f1-3 /proc/loadavg)"
run idle 0 0
run "1 camera streaming" 1 0
run "16 cameras streaming" 16 0
run "16 cameras recording" 16 1

#!/usr/bin/env bash
# Crash check of AVI recording: $CAMERAS simulated cameras (default 4) at 10
# pictures/s are recorded by as many headless controls for $SECONDS_RECORDED (default
# 15) with the measured rate (AutoFrame 1); the controls are killed with
# SIGKILL, a new recording in each folder finishes the files they left, and
# every "End" file must claim a rate within 10% of 10 frames/s.
#   bench/recording/kill_recovery_rate.sh [BUILD_FOLDER]
# Needs the targets camsim, strovix and strovixctl built in BUILD_FOLDER
# (default: build). Takes about $SECONDS_RECORDED + 15 s. Exit status 0: all pass.
set -euo pipefail
build="$(cd "${1:-build}" && pwd)"
bin="$build/bin"
cameras="${CAMERAS:-4}"
seconds="${SECONDS_RECORDED:-15}"
work="$(mktemp -d)"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null || true; done
  [[ -n "${camsim:-}" ]] && kill "$camsim" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
export STROVIX_REGISTRY="$work/registry"
export QT_QPA_PLATFORM=offscreen
"$bin/strovixctl" register >/dev/null

coproc CAMSIM { exec "$bin/camsim" --cameras "$cameras" --fps 10 --no-auth --audio-off --port 0 --quiet 2>&1 >/dev/null; }
camsim=$CAMSIM_PID
line=""
while IFS= read -r -t 30 -u "${CAMSIM[0]}" line; do
  [[ "$line" == *"listening on "* ]] && break
done
[[ "$line" =~ listening\ on\ ([0-9.]+):([0-9]+) ]] || { echo "camsim did not start" >&2; exit 1; }
address="${BASH_REMATCH[1]}"
port="${BASH_REMATCH[2]}"

for i in $(seq 0 $((cameras - 1))); do
  mkdir -p "$work/cam$i"
  "$bin/strovixctl" run --seconds 0 "URL=http://$address:$((port + i))" "AviPath=$work/cam$i" \
    "AviPre=cam$i" AutoFrame=1 JpgNumInAvi=9999 until=shown:1 Avi=1 "sleep=$((seconds + 30))" \
    >"$work/run$i.log" 2>&1 &
  pids+=($!)
done
sleep "$seconds"
for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null || true; done
{ wait "${pids[@]}"; } 2>/dev/null || true
pids=()

# A new recording in each folder finishes what the killed control left.
for i in $(seq 0 $((cameras - 1))); do
  "$bin/strovixctl" run --seconds 0 "AviPath=$work/cam$i" Avi=1 Avi=0 >>"$work/run$i.log" 2>&1
done

python3 - "$work" "$cameras" <<'PY'
import glob, struct, sys
work, cameras = sys.argv[1], int(sys.argv[2])
bad = 0
files = sorted(glob.glob(f"{work}/cam*/*End*.avi"))
for path in files:
    head = open(path, "rb").read(2048)
    frames = struct.unpack_from("<I", head, 48)[0]
    scale, rate = struct.unpack_from("<II", head, 128)
    fps = rate / scale if scale else 0.0
    ok = abs(fps - 10.0) <= 1.0
    bad += not ok
    print(f"{'ok ' if ok else 'BAD'} {path.split('/')[-2]} {frames} frames at {fps:.2f} frames/s")
if len(files) < cameras:
    print(f"only {len(files)} End files for {cameras} cameras")
    bad += 1
sys.exit(1 if bad else 0)
PY

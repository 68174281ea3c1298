#!/usr/bin/env bash
# Builds the Debian package, installs it with apt-get, runs the installed
# oculon offscreen as an ordinary user against the packaged camsim, and
# purges it again: the program must find the libraries installed with it
# (even with another installation registered in the user's registry), show
# the camera, and leave nothing of the package behind.
#   package_check.sh BUILD_DIR        exit 77: skipped
set -euo pipefail
build="$(realpath "$1")"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
skip() { echo "skipped: $*"; exit 77; }
fail() { echo "FAILED: $*" >&2; exit 1; }

[[ $(id -u) -eq 0 ]] || skip "installing the package needs root"
for tool in apt-get dpkg setpriv prlimit; do
  command -v $tool > /dev/null || skip "$tool is not available"
done
if dpkg-query -W -f='${Status}' oculon 2>/dev/null | grep -q "ok installed"; then
  skip "an oculon package is installed already; it is not replaced"
fi

work="$(mktemp -d /tmp/oculon-package-XXXXXX)"
camsim_pid=""
cleanup() {
  [[ -n "$camsim_pid" ]] && kill "$camsim_pid" 2> /dev/null || true
  if dpkg-query -W -f='${Status}' oculon 2>/dev/null | grep -q "ok installed"; then
    DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq oculon > /dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

"$root/scripts/package" "$build" > "$work/package.log" 2>&1 || { cat "$work/package.log"; fail "scripts/package"; }
deb="$(tail -n 1 "$work/package.log")"
grep -E '^[EW]: ' "$work/package.log" || true
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" > "$work/apt.log" 2>&1 || { cat "$work/apt.log"; fail "apt-get install"; }
dpkg -L oculon | sort > "$work/files"

# Only the program on PATH; the libraries and tools in the private folder.
[[ -x /usr/bin/oculon ]] || fail "/usr/bin/oculon is not installed"
onpath="$(grep -E '^/usr/s?bin/.' "$work/files" | grep -v '^/usr/bin/oculon$' || true)"
[[ -z "$onpath" ]] || fail "on PATH besides oculon: $onpath"
private="$(dirname "$(grep -E '/libstrovix\.so\.[0-9]+$' "$work/files")")"
for file in libstrovix.so.1 liboculon_media.so.1 camsim strovixctl; do
  [[ -e "$private/$file" ]] || fail "$private/$file is not installed"
done
for file in /usr/share/applications/oculon.desktop /usr/share/man/man1/oculon.1.gz \
            /usr/share/icons/hicolor/256x256/apps/oculon.png /usr/share/doc/oculon/copyright; do
  [[ -e "$file" ]] || fail "$file is not installed"
done
metainfo="$(grep '^/usr/share/metainfo/.*\.metainfo\.xml$' "$work/files")"
if command -v appstreamcli > /dev/null; then
  appstreamcli validate --no-net --pedantic "$metainfo" || fail "appstreamcli validate $metainfo"
fi
grep -q "<release version=\"$(dpkg-query -W -f='${Version}' oculon)\"" "$metainfo" ||
  fail "$metainfo names no release of the packaged version"

# An ordinary user whose registry names the control library of another
# installation, as a developer's names the build tree's: a loadable copy of
# the packaged one in a folder of its own.
home="$work/home"
mkdir -p "$home/data/oculon/etc" "$home/runtime" "$home/other"
cp "$(realpath "$private/libstrovix.so.1")" "$home/other/libstrovix.so.1"
cp "$(realpath "$private/liboculon_media.so.1")" "$home/other/liboculon_media.so.1"
chmod 700 "$home/runtime"
"$private/camsim" --port 0 --cameras 1 --audio-off --no-auth --log "$work/camsim.log" 2> "$work/camsim.err" &
camsim_pid=$!
for _ in $(seq 100); do
  port="$(sed -n 's/.*listening on [0-9.]*:\([0-9]*\).*/\1/p' "$work/camsim.err" | head -n 1)"
  [[ -n "$port" ]] && break
  sleep 0.1
done
[[ -n "$port" ]] || fail "camsim did not start: $(cat "$work/camsim.err")"
printf '[Camera1]\nIP=127.0.0.1\nPORT=%s\nDISPLAY_LOCATION=Gate\n' "$port" > "$home/data/oculon/etc/config.ini"
chown -R 65534:65534 "$home"
chmod 711 "$work"
# Replaces the calling (sub)shell: started with &, $! is the program's process.
as_user() {
  exec env -i PATH=/usr/bin:/bin HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" \
    XDG_STATE_HOME="$home/state" XDG_CACHE_HOME="$home/cache" XDG_RUNTIME_DIR="$home/runtime" \
    QT_QPA_PLATFORM=offscreen STROVIX_NULL_AUDIO=1 \
    setpriv --reuid=65534 --regid=65534 --clear-groups -- prlimit --nofile=1024 -- "$@"
}
registry="$home/config/strovix/HKEY_CLASSES_ROOT.ini"
(as_user "$private/strovixctl" register "$home/other/libstrovix.so.1") > "$work/register.log" 2>&1 ||
  { cat "$work/register.log"; fail "strovixctl register (another installation's library)"; }
grep -q "$home/other/libstrovix.so.1" "$registry" || fail "the other library was not registered: $(cat "$registry")"

as_user /usr/bin/oculon --quit-after 4 > "$work/oculon.out" 2>&1 &
oculon_pid=$!
mapped=""
while kill -0 $oculon_pid 2> /dev/null; do
  [[ -z "$mapped" ]] && mapped="$(grep -o '/[^ ]*libstrovix\.so[^ ]*' "/proc/$oculon_pid/maps" 2>/dev/null | sort -u || true)"
  sleep 0.2
done
wait $oculon_pid || { cat "$work/oculon.out"; fail "the installed oculon ended with status $?"; }
log="$home/state/oculon/oculon.log"
grep -q "connected, pictures coming" "$log" || { cat "$log"; fail "the installed oculon did not show the camera"; }
[[ "$mapped" == "$(realpath "$private/libstrovix.so.1")" ]] ||
  fail "the installed oculon loaded '${mapped}', not the library in $private"
grep -q "$(realpath "$private/libstrovix.so.1")" "$registry" ||
  fail "the registry does not name the installed library: $(cat "$registry")"

# Purged, nothing of the package is left but the folders other packages own.
DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq oculon > "$work/apt.log" 2>&1 || { cat "$work/apt.log"; fail "apt-get purge"; }
left=""
while read -r path; do
  [[ -e "$path" || -L "$path" ]] || continue
  [[ -d "$path" && ! -L "$path" ]] && dpkg -S "$path" > /dev/null 2>&1 && continue
  left+="$path"$'\n'
done < "$work/files"
[[ -z "$left" ]] || fail "left after the purge:"$'\n'"$left"
echo "the package installs, runs as an ordinary user and purges cleanly: $(basename "$deb")"

#!/usr/bin/env bash
# Sourced by scripts/run, scripts/test, scripts/bench and scripts/screenshots. Sourcing sets the
# paths (ROOT, BUILD_WIN, BUILD_NATIVE), the Wine environment for the prefix in
# .wine/, the package list, log and a trap that names a failing line; the work
# is in helpers each script calls as it needs them:
#   install_packages  apt-get installs what of PACKAGES is missing
#   ensure_locale     makes zh_CN.UTF-8 if missing and exports it (code page 936)
#   ensure_display    the caller's display, or a private Xvfb stopped at exit
#   start_wine        makes the prefix once (virtual desktop, Marlett), starts
#                     its server
#   stop_wine         ends the prefix's server
#   start_two_screens an X server with two screens side by side and a Wine
#                     prefix of its own (.wine-two-screens/) on it
#   stop_two_screens  ends both, back to the display and prefix before
#   quiet_build       runs a command, showing its output only when it fails
#   build_windows     configures build/win once (mingw-w64) and builds it
#   take_pictures     takes the pictures a driver asks for while it runs
#   start_input_method  a Chinese input method (fcitx, pinyin) on the display,
#                     for the Wine programs started after it
#   stop_input_method ends it and its message bus
#   type_keys         types the keys a driver asks for through the X server
#   mount_test_volumes  a full volume and a read-only folder for the download
#                     tests, as root; unmount_test_volumes takes them away
# Only the Windows build is made here; the native, fuzz and bench builds are
# made by the scripts that need them. install_packages, ensure_locale,
# ensure_display, start_wine and build_windows check first, so a second call
# redoes no work already done.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_WIN="$ROOT/build/win"
BUILD_NATIVE="$ROOT/build/native"
export WINEPREFIX="$ROOT/.wine"
export WINEDEBUG=-all
export WINEARCH=win64

PACKAGES=(
  cmake make g++ clang libclang-rt-14-dev
  g++-mingw-w64-x86-64-posix mingw-w64-tools
  wine wine64 xvfb xauth x11-utils xdotool imagemagick
  xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils
  fonts-wqy-microhei fonts-wine locales
  fcitx fcitx-sunpinyin fcitx-module-x11 fcitx-ui-classic dbus-x11
  googletest libgtest-dev libbenchmark-dev
  python3 curl
)

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

log() { printf '\033[1m[pixorra]\033[0m %s\n' "$*" >&2; }

# A step that fails says where, instead of ending the script without a word.
trap 'log "stopped: line $LINENO of ${BASH_SOURCE[0]} failed (exit $?): $BASH_COMMAND"' ERR
set -E

install_packages() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    log "installing: ${missing[*]}"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
}

# Wine takes its ANSI code page from the locale: zh_CN gives 936 (GBK).
ensure_locale() {
  if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
    log "generating the zh_CN.UTF-8 locale"
    $SUDO localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
  fi
  export LANG=zh_CN.UTF-8
  export LC_ALL=zh_CN.UTF-8
}

# A display for Wine: the caller's, or a private Xvfb started here and stopped at exit.
ensure_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return; fi
  local n
  for n in $(seq 91 120); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
  done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  export DISPLAY=":$n"
  trap 'stop_wine; kill $XVFB_PID 2>/dev/null || true' EXIT
  for _ in $(seq 1 50); do xdpyinfo >/dev/null 2>&1 && return; sleep 0.1; done
  log "Xvfb did not start"; exit 1
}

# Wine's helpers must not inherit our pipes, or ctest waits on them forever.
# Windows live on Wine's own virtual desktop: it activates windows on a click
# as Windows does, and it does not wait for a window manager that bare Xvfb
# does not have (two seconds for every window shown).
start_wine() {
  if [ ! -f "$WINEPREFIX/.pixorra-ready" ]; then
    log "creating the Wine prefix in $WINEPREFIX"
    wineboot -i </dev/null >/dev/null 2>&1 || true
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f </dev/null >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f </dev/null >/dev/null 2>&1
    wineserver -w
    touch "$WINEPREFIX/.pixorra-ready"
  fi
  start_wine_server
}

start_wine_server() {
  # Debian's Wine looks for its own fonts in "<data dir>\../fonts", a name its
  # file layer rejects, so it never loads /usr/share/wine/fonts. Without Marlett
  # the caption buttons read "0 1 r"; the prefix's Fonts folder is always read.
  local marlett="$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf"
  [ -f "$marlett" ] || install -D -m 644 /usr/share/wine/fonts/marlett.ttf "$marlett"
  # Keeps a server for the prefix running; it answers 2 when one already is.
  wineserver -p </dev/null >/dev/null 2>&1 || true
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

stop_wine() { wineserver -k >/dev/null 2>&1 || true; }

# Xvfb cannot put two screens side by side; Xorg with the dummy driver can.
# Wine sees both only without its virtual desktop, which always makes one
# monitor, so the screens get a prefix of their own; its windows are
# unmanaged, since no window manager runs there and Wine would wait two
# seconds for one on every window hidden.
start_two_screens() {
  local n="" i candidate
  for candidate in $(seq 121 150); do
    if [ ! -e "/tmp/.X11-unix/X$candidate" ] && [ ! -e "/tmp/.X$candidate-lock" ]; then n=$candidate; break; fi
  done
  if [ -z "$n" ]; then log "no free display for two screens"; return 1; fi
  TWO_SCREENS_LOG=$(mktemp -d)
  Xorg ":$n" -config "$ROOT/scripts/xorg-two-screens.conf" -noreset -nolisten tcp \
    -logfile "$TWO_SCREENS_LOG/Xorg.log" </dev/null >"$TWO_SCREENS_LOG/Xorg.out" 2>&1 &
  TWO_SCREENS_PID=$!
  trap 'stop_wine; kill ${TWO_SCREENS_PID:-} ${XVFB_PID:-} 2>/dev/null || true' EXIT
  SAVED_DISPLAY="${DISPLAY:-}"
  SAVED_WINEPREFIX="$WINEPREFIX"
  export DISPLAY=":$n"
  for i in $(seq 1 100); do
    xrandr --listmonitors 2>/dev/null | grep -q '^Monitors: 2$' && break
    if [ "$i" -eq 100 ] || ! kill -0 "$TWO_SCREENS_PID" 2>/dev/null; then
      log "Xorg with two screens did not start:"
      tail -20 "$TWO_SCREENS_LOG/Xorg.log" >&2 || true
      return 1
    fi
    sleep 0.1
  done
  export WINEPREFIX="$ROOT/.wine-two-screens"
  if [ ! -f "$WINEPREFIX/.pixorra-ready" ]; then
    log "creating the Wine prefix in $WINEPREFIX"
    wineboot -i </dev/null >/dev/null 2>&1 || true
    # Called where a failure does not end the script: only a prefix made
    # whole is marked ready.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1 &&
      wineserver -w && touch "$WINEPREFIX/.pixorra-ready" || return 1
  fi
  start_wine_server
}

stop_two_screens() {
  stop_wine
  if [ -n "${TWO_SCREENS_PID:-}" ]; then
    kill "$TWO_SCREENS_PID" 2>/dev/null || true
    wait "$TWO_SCREENS_PID" 2>/dev/null || true
    TWO_SCREENS_PID=""
  fi
  rm -rf "${TWO_SCREENS_LOG:-}"
  export DISPLAY="${SAVED_DISPLAY:-}"
  export WINEPREFIX="${SAVED_WINEPREFIX:-$WINEPREFIX}"
}

# Runs a build quietly, showing its output only when it fails.
quiet_build() {
  local output
  local status=0
  output=$("$@" 2>&1) || status=$?
  if [ "$status" -ne 0 ]; then
    printf '%s\n' "$output" | tail -60
    log "build failed (exit $status): $*"
    return 1
  fi
}

# The Windows build; arguments go to cmake --build (for example --target Pixorra).
build_windows() {
  if [ ! -f "$BUILD_WIN/CMakeCache.txt" ]; then
    quiet_build cmake -S "$ROOT" -B "$BUILD_WIN" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake"
  fi
  quiet_build cmake --build "$BUILD_WIN" -j"$(nproc)" "$@"
}

# Takes each picture a driver asks for (tests/e2e/PictureRequest.h) while the
# process PID runs: FOLDER/NAME.request holds the window's place "WxH+X+Y",
# the picture goes to FOLDER/NAME.png, and FOLDER/NAME.taken tells the driver.
take_pictures() {
  local folder=$1 pid=$2 request name
  while kill -0 "$pid" 2>/dev/null; do
    for request in "$folder"/*.request; do
      [ -e "$request" ] || continue
      name=$(basename "$request" .request)
      import -window root -crop "$(tr -d '\r\n' <"$request")" +repage "$folder/$name.png"
      rm -f "$request"
      : >"$folder/$name.taken"
    done
    sleep 0.1
  done
}

# fcitx with pinyin, over XIM: a Wine program started with XMODIFIERS set
# talks to it. It needs a message bus of its own, and a moment to come up.
start_input_method() {
  export XMODIFIERS=@im=fcitx
  eval "$(dbus-launch --sh-syntax)"
  INPUT_METHOD_BUS=$DBUS_SESSION_BUS_PID
  fcitx -d >/dev/null 2>&1 || return 1
  for _ in $(seq 1 50); do
    pgrep -x fcitx >/dev/null && { sleep 1; return 0; }
    sleep 0.1
  done
  log "the input method did not start"; return 1
}

stop_input_method() {
  pkill -x fcitx 2>/dev/null || true
  [ -n "${INPUT_METHOD_BUS:-}" ] && kill "$INPUT_METHOD_BUS" 2>/dev/null || true
  INPUT_METHOD_BUS=""
  unset XMODIFIERS
}

# Types the keys a driver asks for (tests/e2e/PictureRequest.h) until the
# process PID ends: FOLDER/NAME.keys holds the arguments of one xdotool
# command, one a line; FOLDER/NAME.typed tells the driver.
type_keys() {
  local folder=$1 pid=$2 request name
  local -a arguments
  while kill -0 "$pid" 2>/dev/null; do
    for request in "$folder"/*.keys; do
      [ -e "$request" ] || continue
      name=$(basename "$request" .keys)
      mapfile -t arguments < <(tr -d '\r' <"$request")
      xdotool "${arguments[@]}" >/dev/null 2>&1 || true
      rm -f "$request"
      : >"$folder/$name.typed"
    done
    sleep 0.1
  done
}

# A 1 MB volume and a read-only folder for the download tests of a full disk
# and of a folder without write permission (a bind mount: root writes
# through a folder's permission bits, so chmod proves nothing). Named to the
# tests as Wine paths in PIXORRA_FULL_VOLUME and PIXORRA_READ_ONLY; where
# mounting is refused, left unnamed, and those tests skip.
mount_test_volumes() {
  TEST_VOLUMES=$(mktemp -d)
  # Taken away however the script ends.
  trap 'unmount_test_volumes; stop_wine; kill ${XVFB_PID:-} 2>/dev/null || true' EXIT
  mkdir -p "$TEST_VOLUMES/full" "$TEST_VOLUMES/read-only"
  if $SUDO mount -t tmpfs -o size=1m tmpfs "$TEST_VOLUMES/full" 2>/dev/null; then
    PIXORRA_FULL_VOLUME=$(winepath -w "$TEST_VOLUMES/full" 2>/dev/null) && export PIXORRA_FULL_VOLUME
  else
    log "no 1 MB volume could be mounted: the test of a full disk skips"
  fi
  if $SUDO mount --bind -o ro "$TEST_VOLUMES/read-only" "$TEST_VOLUMES/read-only" 2>/dev/null; then
    PIXORRA_READ_ONLY=$(winepath -w "$TEST_VOLUMES/read-only" 2>/dev/null) && export PIXORRA_READ_ONLY
  else
    log "no read-only folder could be mounted: the test of a folder without write permission skips"
  fi
}

unmount_test_volumes() {
  [ -n "${TEST_VOLUMES:-}" ] || return 0
  $SUDO umount "$TEST_VOLUMES/full" "$TEST_VOLUMES/read-only" 2>/dev/null || true
  rm -rf "$TEST_VOLUMES"
  TEST_VOLUMES=""
  unset PIXORRA_FULL_VOLUME PIXORRA_READ_ONLY
}

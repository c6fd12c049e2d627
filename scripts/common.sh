# Shared by the run and test commands: packages, build, Wine prefixes, display.
# Sourced, not run.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD="$ROOT/build"
WINE64=/usr/lib/wine/wine64
PACKAGES="cmake ninja-build googletest g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix \
wine wine64 fonts-wine xvfb xauth x11-utils xdotool imagemagick llvm locales nsis 7zip"

say() { printf '%s\n' "$*" >&2; }

as_root() {
  if [ "$(id -u)" = 0 ]; then "$@"; elif command -v sudo >/dev/null; then sudo "$@"; else
    say "need root to run: $*"; return 1; fi
}

# Installs the Debian packages that are missing; nothing when all are there.
install_packages() {
  local missing=""
  for p in $PACKAGES; do
    dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"
  done
  if [ -n "$missing" ]; then
    say "installing:$missing"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing >/dev/null ||
      return 1
  fi
  install_wine32
  make_japanese_locale
}

# Whether the kernel runs 32-bit x86 Linux programs: a 96-byte static ELF
# that only exits with 42. Some kernels refuse them ("Exec format error").
kernel_runs_32bit() {
  # In the build tree, which must allow running programs anyway (a
  # temporary folder may not).
  local elf="$BUILD/probe32-elf.$$"
  mkdir -p "$BUILD" || return 1
  printf '\177ELF\1\1\1\0\0\0\0\0\0\0\0\0\2\0\3\0\1\0\0\0\124\200\4\10\64\0\0\0''\0\0\0\0\0\0\0\0\64\0\40\0\1\0\0\0\0\0\0\0''\1\0\0\0\0\0\0\0\0\200\4\10\0\200\4\10\140\0\0\0\140\0\0\0\5\0\0\0\0\20\0\0''\273\52\0\0\0\270\1\0\0\0\315\200' >"$elf"
  chmod +x "$elf"
  "$elf" 2>/dev/null
  local code=$?
  rm -f "$elf"
  [ "$code" = 42 ]
}

# 32-bit Wine runs the i686 build, the product's own target. Installed only
# where the kernel runs 32-bit programs: elsewhere it would break /usr/bin/wine.
install_wine32() {
  dpkg -s wine32:i386 >/dev/null 2>&1 && return 0
  kernel_runs_32bit || return 0
  say "installing wine32:i386"
  as_root dpkg --add-architecture i386 &&
    as_root apt-get update -qq &&
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends wine32:i386 >/dev/null
}

# Wine takes the ANSI code page from the locale: ja_JP.UTF-8 gives 932,
# which the tests of multi-byte paths run under.
make_japanese_locale() {
  locale -a 2>/dev/null | grep -qix 'ja_JP.utf8' && return 0
  say "generating the ja_JP.UTF-8 locale"
  as_root localedef -i ja_JP -f UTF-8 ja_JP.UTF-8 || say "could not generate ja_JP.UTF-8"
}

# Why the i686 tests cannot run here, or nothing when they can: a tiny i686
# program must start under 32-bit Wine, in the i686 test prefix, and return
# its code.
why_no_i686_run() {
  kernel_runs_32bit || { echo "this kernel does not run 32-bit programs"; return; }
  dpkg -s wine32:i386 >/dev/null 2>&1 || { echo "32-bit Wine (wine32:i386) is not installed"; return; }
  local exe="$BUILD/i686/probe32.exe"
  make_prefix "$BUILD/i686/wine-test" i686
  [ -f "$exe" ] || printf 'int main(void) { return 42; }\n' |
    i686-w64-mingw32-gcc -x c -o "$exe" - 2>/dev/null || { echo "the i686 probe did not build"; return; }
  wine "$exe" </dev/null >/dev/null 2>&1
  [ $? = 42 ] || echo "32-bit Wine does not run an i686 program here"
}

# A tree configured while the resources went through GNU windres keeps it in
# its cache: such a tree is configured afresh when llvm-windres is there.
has_stale_rc_compiler() {
  compgen -G "/usr/lib/llvm-*/bin/llvm-windres" >/dev/null && [ -f "$1/build.ninja" ] &&
    ! grep -qs llvm-windres "$1/CMakeFiles/rules.ninja"
}

# Configures (once) and builds one target: i686 or x86_64.
build_target() {
  local arch=$1 dir="$BUILD/$1"
  if has_stale_rc_compiler "$dir"; then
    rm -rf "$dir/CMakeCache.txt" "$dir/CMakeFiles" "$dir/build.ninja"
  fi
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-$arch.cmake" >/dev/null || return 1
  fi
  cmake --build "$dir" -- -k 0 >"$dir/build.log" 2>&1 || { cat "$dir/build.log" >&2; return 1; }
}

# Creates a Wine prefix once, quietly, and waits until it is ready. With
# "i686" a 32-bit prefix for the i686 build, as 32-bit Windows has it.
make_prefix() {
  export WINEPREFIX=$1 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    say "creating Wine prefix $WINEPREFIX (once, about 10 s)"
    local loader="$WINE64"
    if [ "${2:-}" = i686 ]; then
      loader=wine
      WINEARCH=win32 wine wineboot -i >/dev/null 2>&1
    else
      "$WINE64" wineboot -i >/dev/null 2>&1
    fi
    wineserver -w
    # With no window manager to wait for, Wine's windows need no handshake
    # with one; otherwise every window that closes waits two seconds for it.
    # Set before any of Wine's own processes (the desktop that holds the
    # notification area) start again, as they read it only when they start.
    "$loader" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
    wineserver -w
  fi
  add_marlett_font
}

# Wine draws the caption buttons with the Marlett font and falls back to
# letters ("0 1 r") without it. fonts-wine ships it, but this Wine does not
# look there: put it in the prefix's own Fonts folder, where Wine loads it.
add_marlett_font() {
  local fonts="$WINEPREFIX/drive_c/windows/Fonts" font=/usr/share/wine/fonts/marlett.ttf
  if [ ! -f "$fonts/marlett.ttf" ] && [ -f "$font" ]; then
    mkdir -p "$fonts" && cp "$font" "$fonts/"
  fi
}

# Starts a private X server when there is no display; sets XVFB_PID.
XVFB_PID=""
ensure_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    export DISPLAY=":$n"
    local i
    for i in $(seq 1 100); do
      [ -e "/tmp/.X11-unix/X$n" ] && return 0
      kill -0 "$XVFB_PID" 2>/dev/null || break
      sleep 0.1
    done
  done
  say "could not start Xvfb"
  return 1
}

stop_display() {
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
  XVFB_PID=""
}

# Saves the screen (or its top-left WxH) to a file once a window shows and
# the picture has stopped changing; prints the path. 1 after 60 s without.
# A window inside Wine's desktop is no X window of its own: the screen is
# looked at until it shows more than the bare desktop.
save_screenshot() {
  local shot=$1 crop=${2:+-crop $2+0+0} prev="" sum colours i
  for i in $(seq 1 120); do
    sleep 0.5
    import -window root $crop "$shot.tmp.png" 2>/dev/null || continue
    colours=$(convert "$shot.tmp.png" -format %k info: 2>/dev/null || echo 0)
    sum=$(md5sum <"$shot.tmp.png")
    if [ "${colours:-0}" -gt 16 ] && [ "$sum" = "$prev" ]; then
      mv "$shot.tmp.png" "$shot"
      echo "$shot"
      return 0
    fi
    prev=$sum
  done
  return 1
}

# Builds the x86_64 programs and sets up the screenshot prefix on a display,
# all of it ended when the script ends; WINEPREFIX names the prefix.
start_shot_wine() {
  install_packages || return 1
  build_target x86_64 || { say "build failed"; return 1; }
  ensure_display || return 1
  make_prefix "$BUILD/x86_64/wine-shot"
  trap 'wineserver -k 2>/dev/null; stop_display' EXIT
}

# Sets up a benchmark's own Wine prefix (build/x86_64/NAME) on a display, as
# the tests have theirs: one wineserver, Wine's own processes started, no
# window manager to wait for; all of it ends when the script does.
start_bench_wine() {
  ensure_display || return 1
  make_prefix "$BUILD/x86_64/$1"
  wineserver -p
  "$WINE64" cmd.exe /c exit </dev/null >/dev/null 2>&1
  "$WINE64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
  trap 'wineserver -k 2>/dev/null; stop_display' EXIT
}

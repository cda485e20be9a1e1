# Shared by scripts/wine and scripts/wine-session: where the project's Wine
# prefixes live and how a program is started in them. Source it after setting
# `root` to the repository root.

wine_dir=${SORVANE_WINE_DIR:-$root/build/wine}
wineserver_bin=/usr/lib/wine/wineserver64
[ -x "$wineserver_bin" ] || wineserver_bin=/usr/lib/wine/wineserver32

# wine_env ARCH: exports WINEPREFIX/WINEARCH/WINEDEBUG and DISPLAY, sets `loader`.
wine_env() {
  case "$1" in
    x64) export WINEARCH=win64; loader=/usr/lib/wine/wine64 ;;
    x86) export WINEARCH=win32; loader=/usr/lib/wine/wine ;;
    *) echo "unknown architecture '$1' (x64 or x86)" >&2; return 2 ;;
  esac
  export WINEPREFIX="$wine_dir/$1"
  export WINEDEBUG=${WINEDEBUG:--all}
  export WINESERVER=$wineserver_bin
  # While a session runs, every program shares its X display.
  local display
  if display=$(session_display); then export DISPLAY=$display; fi
}

# Prints the session's display (":N") if its Xvfb is alive.
session_display() {
  local n pid
  [ -f "$wine_dir/xvfb" ] || return 1
  read -r n pid <"$wine_dir/xvfb" || return 1
  kill -0 "$pid" 2>/dev/null || return 1
  echo ":$n"
}

# Creates the prefix on first use (under a lock, so parallel callers wait).
ensure_prefix() {
  mkdir -p "$wine_dir"
  [ -f "$WINEPREFIX/.sorvane-ready" ] && [ -f "$WINEPREFIX/drive_c/windows/Fonts/tahoma.ttf" ] &&
    return 0
  (
    flock 9
    if [ -f "$WINEPREFIX/.sorvane-ready" ]; then
      cp -n /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
      exit 0
    fi
    echo "wine: creating the $WINEARCH prefix $WINEPREFIX" >&2
    rm -rf "$WINEPREFIX"
    # No Mono or Gecko: their installers would ask questions and nothing here needs them.
    WINEDLLOVERRIDES="mscoree,mshtml=" "$loader" wineboot -i >/dev/null 2>&1
    # A virtual desktop: Xvfb has no window manager, and Wine then draws captions
    # and frames itself, so screenshots show the real window.
    "$loader" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    "$loader" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f \
      >/dev/null 2>&1
    "$wineserver_bin" -w
    # Debian's Wine does not look in its own font folder; without these, every
    # dialog font falls back to a much wider system font.
    cp -n /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    touch "$WINEPREFIX/.sorvane-ready"
  ) 9>"$wine_dir/prefix.lock"
}

# Shared by scripts/wine and scripts/wine-session: where the project's Wine
# prefixes live and how a program is started in them. Source it after setting
# `root` to the repository root.
#
# SORVANE_WINE_DIR  the folder of the prefixes and the session (default build/wine);
#                   parallel test workers each have their own
# SORVANE_QEMU=1    32-bit Wine runs through qemu-i386-static even where the
#                   kernel runs 32-bit ELF itself: the emulated machine, on any machine

wine_dir=${SORVANE_WINE_DIR:-$root/build/wine}
wineserver_bin=/usr/lib/wine/wineserver64
[ -x "$wineserver_bin" ] || wineserver_bin=/usr/lib/wine/wineserver32
# Fresh prefixes are made once per machine and Wine version, then copied: under
# an emulated 32-bit, making one costs minutes (a 32-bit prefix about 25).
prefix_cache=${SORVANE_PREFIX_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/sorvane/wine-prefixes}
# The longest a prefix may take to make; a hang ends with a message.
prefix_timeout=${SORVANE_PREFIX_TIMEOUT:-2700}

# wine_env ARCH: exports WINEPREFIX/WINEARCH/WINEDEBUG and DISPLAY, sets the
# array `loader` (the command that starts a program).
wine_env() {
  case "$1" in
    x64) export WINEARCH=win64; loader=(/usr/lib/wine/wine64) ;;
    x86)
      loader=(/usr/lib/wine/wine)
      [ "${SORVANE_QEMU:-0}" = 1 ] && loader=(/usr/bin/qemu-i386-static /usr/lib/wine/wine)
      # Where 32-bit runs only through qemu, 32-bit programs run in a 64-bit
      # prefix (WoW64, as on 64-bit Windows): a 32-bit prefix costs 10 to 25
      # minutes to make there, and its making failed four times in five
      # ("could not load kernel32.dll" after the whole set-up).
      if i386_emulated; then export WINEARCH=win64; else export WINEARCH=win32; fi
      ;;
    *) echo "unknown architecture '$1' (x64 or x86)" >&2; return 2 ;;
  esac
  export WINEPREFIX="$wine_dir/$1"
  export WINEDEBUG=${WINEDEBUG:--all}
  export WINESERVER=$wineserver_bin
  # While a session runs, every program shares its X display.
  local display
  if display=$(session_display); then export DISPLAY=$display; fi
}

# True where 32-bit Wine runs through qemu: asked for, or registered in
# binfmt_misc because the kernel cannot run 32-bit ELF itself.
i386_emulated() {
  [ "${SORVANE_QEMU:-0}" = 1 ] ||
    [ "$(head -n 1 /proc/sys/fs/binfmt_misc/qemu-i386 2>/dev/null)" = enabled ]
}

# Prints the session's display (":N") if its Xvfb is alive.
session_display() {
  local n pid
  [ -f "$wine_dir/xvfb" ] || return 1
  read -r n pid <"$wine_dir/xvfb" || return 1
  kill -0 "$pid" 2>/dev/null || return 1
  echo ":$n"
}

# make_prefix DIR: a new prefix for $WINEARCH in DIR, bounded in time, retried
# once if the emulator itself crashed. Says what it does and how long it took.
# The prefix counts as made when programs then start in it: under qemu,
# wineboot has been seen to end with status 53 ("could not load kernel32.dll")
# after it had made a whole prefix.
make_prefix() {
  local dir=$1 attempt start log status boot view
  log=$(mktemp)
  for attempt in 1 2; do
    start=$SECONDS
    echo "wine: creating the $WINEARCH prefix $dir (at most $prefix_timeout s)" >&2
    rm -rf "$dir"
    boot=0
    # No Mono or Gecko: their installers would ask questions and nothing here needs them.
    WINEPREFIX=$dir WINEDLLOVERRIDES="mscoree,mshtml=" timeout --kill-after=10 "$prefix_timeout" \
      "${loader[@]}" wineboot -i </dev/null >"$log" 2>&1 || boot=$?
    WINEPREFIX=$dir timeout 300 "$wineserver_bin" -w || true
    status=$boot
    # A virtual desktop: Xvfb has no window manager, and Wine then draws captions
    # and frames itself, so screenshots show the real window. These two
    # programs are also the proof that programs start in the new prefix.
    if [ $boot -ne 124 ] && [ $boot -ne 137 ] && [ -f "$dir/system.reg" ]; then
      status=0
      WINEPREFIX=$dir timeout 600 "${loader[@]}" reg add 'HKCU\Software\Wine\Explorer' \
        /v Desktop /d Default /f </dev/null >>"$log" 2>&1 &&
        WINEPREFIX=$dir timeout 600 "${loader[@]}" reg add \
          'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f \
          </dev/null >>"$log" 2>&1 || status=$?
      # No debugger for a program that crashes: it ends with its exception's
      # code, Wine's one-line report on its stderr, as on Windows without one.
      # Wine would start `winedbg --auto`, which under qemu never attaches: the
      # crashed program then waits for it for ever, and so does its test.
      for view in 32 $([ "$WINEARCH" = win64 ] && echo 64); do
        [ $status -eq 0 ] || break
        WINEPREFIX=$dir timeout 600 "${loader[@]}" reg add \
          'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d '' /f \
          "/reg:$view" </dev/null >>"$log" 2>&1 || status=$?
      done
      WINEPREFIX=$dir timeout 120 "$wineserver_bin" -w || true
    fi
    WINEPREFIX=$dir "$wineserver_bin" -k 2>/dev/null || true
    if [ $status -eq 0 ]; then
      [ $boot -eq 0 ] ||
        echo "wine: wineboot ended with status $boot, but programs start in the prefix" >&2
      echo "wine: created the $WINEARCH prefix in $((SECONDS - start)) s" >&2
      rm -f "$log"
      return 0
    fi
    if [ $boot -eq 124 ] || [ $boot -eq 137 ]; then
      echo "wine: creating the $WINEARCH prefix did not end within $prefix_timeout s; stopped" >&2
    else
      echo "wine: creating the $WINEARCH prefix failed (status $status) after" \
        "$((SECONDS - start)) s" >&2
    fi
    if [ $attempt -eq 1 ] && grep -q 'qemu: uncaught target signal' "$log"; then
      echo "wine: the emulator crashed (qemu: uncaught target signal); trying once more" >&2
      continue
    fi
    echo "wine: its last output:" >&2
    tail -n 20 "$log" >&2
    break
  done
  rm -f "$log"
  rm -rf "$dir"
  return 1
}

# cached_prefix: prints this machine's fresh prefix for $WINEARCH, made first if
# there is none (under a lock per architecture, so parallel callers wait).
cached_prefix() {
  local version cached
  version=$(/usr/lib/wine/wine64 --version 2>/dev/null || echo unknown)
  # A plain folder name: made in a folder whose name held "~", blanks or
  # parentheses, the 32-bit prefix failed ("could not load kernel32.dll").
  version=${version//[^A-Za-z0-9.-]/-}
  # The recipe's number changes whenever make_prefix makes a different prefix.
  cached="$prefix_cache/$version-$WINEARCH-r2"
  mkdir -p "$prefix_cache"
  (
    flock 8
    [ -f "$cached/.sorvane-fresh" ] && exit 0
    make_prefix "$cached.new" || exit 1
    # Debian's Wine does not look in its own font folder; without these, every
    # dialog font falls back to a much wider system font.
    cp -n /usr/share/wine/fonts/* "$cached.new/drive_c/windows/Fonts/" 2>/dev/null || true
    touch "$cached.new/.sorvane-fresh"
    rm -rf "$cached"
    mv "$cached.new" "$cached"
  ) 8>"$cached.lock" || return 1
  echo "$cached"
}

# Creates the prefix on first use (under a lock, so parallel callers wait): a
# copy of this machine's fresh prefix.
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
    local cached
    cached=$(cached_prefix) || exit 1
    rm -rf "$WINEPREFIX"
    cp -a "$cached" "$WINEPREFIX"
    rm -f "$WINEPREFIX/.sorvane-fresh"
    touch "$WINEPREFIX/.sorvane-ready"
  ) 9>"$wine_dir/prefix.lock"
}

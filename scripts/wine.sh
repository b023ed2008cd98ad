# Sourced by the scripts that run Windows programs (the demo, the
# benchmarks): Wine's 64-bit loader called directly, with WINELOADER set.
# Debian's `wine` script would take the 32-bit loader whenever wine32 is
# installed, and that fails on hosts whose kernel refuses 32-bit programs;
# the 64-bit loader runs everywhere and serves a win64 prefix.
LUMEN_WINE64=${LUMEN_WINE64:-/usr/lib/wine/wine64}
export WINELOADER=$LUMEN_WINE64
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=" # no Mono/Gecko installer prompts

# lumen_wine PROGRAM [ARGS...]: a 64-bit Windows program or one of Wine's own.
lumen_wine() {
  "$LUMEN_WINE64" "$@"
}

# lumen_wine_prefix LOG: makes $WINEPREFIX once (a win64 prefix).
lumen_wine_prefix() {
  [ -f "$WINEPREFIX/system.reg" ] && return 0
  lumen_wine wineboot -i >"$1" 2>&1
}

# Sourced by the scripts that run Windows programs (the demo, the
# benchmarks): Wine's 64-bit loader called directly, with WINELOADER set.
# Debian's `wine` script would take the 32-bit loader whenever wine32 is
# installed, and that fails on hosts whose kernel refuses 32-bit programs;
# the 64-bit loader runs everywhere and serves a win64 prefix.
LUMEN_WINE64=${LUMEN_WINE64:-/usr/lib/wine/wine64}
export WINELOADER=$LUMEN_WINE64
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=" # no Mono/Gecko installer prompts

# Address-space randomisation off for Wine where the host allows it: Debian's
# Wine has no preloader to reserve the addresses Windows programs need, so a
# randomised mapping now and then takes the page of Windows' shared user data
# and the program dies in Wine's start-up ("failed to map the shared user
# data"). Inherited by every process Wine starts.
lumen_fixed_layout=()
if setarch "$(uname -m)" -R true 2>/dev/null; then
  lumen_fixed_layout=(setarch "$(uname -m)" -R)
fi

# lumen_wine PROGRAM [ARGS...]: a 64-bit Windows program or one of Wine's own.
lumen_wine() {
  "${lumen_fixed_layout[@]}" "$LUMEN_WINE64" "$@"
}

# lumen_wine_prefix LOG: makes $WINEPREFIX once (a win64 prefix).
lumen_wine_prefix() {
  [ -f "$WINEPREFIX/system.reg" ] && return 0
  lumen_wine wineboot -i >"$1" 2>&1
}

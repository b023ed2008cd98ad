#!/usr/bin/env bash
# The demo behind `make demo` (run after `make dist`): compiles the sample
# application, builds its (64-bit) launcher with lumen-build and runs it
# quietly under Wine's 64-bit loader, which works on any x86-64 host. No
# Windows Java runtime exists here, so JAVA_HOME points at a 64-bit
# stand-in runtime whose jvm.dll records what the launcher asks of the JVM;
# the demo shows the launcher's log and that record: the VM options and the
# arguments a real JVM would get. Then it builds the Linux launcher from the
# same description and runs it with this machine's own JVM.
set -euo pipefail
cd "$(dirname "$0")/.."

out_dir=build/demo
launcher=$out_dir/hello.exe
runtime=$out_dir/runtime
fixtures=build/win64/fixtures
export WINEPREFIX="$PWD/build/demo-prefix"
# shellcheck source=scripts/wine.sh
. scripts/wine.sh

fail() {
  echo "demo: $*" >&2
  exit 1
}

mkdir -p "$out_dir/classes"
javac -nowarn --release 8 -Xlint:-options -d "$out_dir/classes" samples/hello/src/com/example/hello/Hello.java
jar --create --file "$out_dir/hello.jar" -C "$out_dir/classes" .
python3 samples/hello/make_icon.py "$out_dir/hello.ico"
dist/bin/lumen-build samples/hello/launcher.toml -o "$launcher" || fail "lumen-build could not build $launcher"
echo "Built $launcher ($(stat -c %s "$launcher") bytes) from samples/hello/launcher.toml."

# The stand-in runtime: java.exe answering -version as every OpenJDK build
# does, the recording jvm.dll where a 64-bit runtime keeps its VM
# (bin\server).
[ -f "$fixtures/jvm_recording.dll" ] || fail "missing $fixtures (run make dist)"
vm_dir=$runtime/bin/server
rm -rf "$runtime" && mkdir -p "$vm_dir"
cp "$fixtures/java.exe" "$runtime/bin/java.exe"
printf 'line=openjdk version "17.0.9" 2023-10-17\r\n' >"$runtime/bin/java.cfg"
cp "$fixtures/jvm_recording.dll" "$vm_dir/jvm.dll"

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Creating the demo's Wine prefix in build/demo-prefix (once; this takes a while)..."
  lumen_wine_prefix "$out_dir/wineboot.log" || fail "wineboot failed, see $out_dir/wineboot.log"
fi
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
temp_windows=$(lumen_wine cmd /c echo %TMP% 2>/dev/null | tr -d '\r')
temp_unix=$(lumen_wine winepath -u "$temp_windows" 2>/dev/null)
[ -d "$temp_unix" ] || fail "cannot find the prefix's temporary folder ($temp_windows)"
rm -f "$temp_unix"/tsx_nlog_*

export JAVA_HOME
JAVA_HOME=$(lumen_wine winepath -w "$PWD/$runtime")
echo "Running: JAVA_HOME=$JAVA_HOME wine64 $launcher -q \"Lumen user\""
set +e
lumen_wine "$launcher" -q "Lumen user" >"$out_dir/stdout.txt" 2>"$out_dir/stderr.txt" </dev/null
code=$?
set -e

log=$(ls -t "$temp_unix"/tsx_nlog_* 2>/dev/null | head -n 1 || true)
echo
echo "---- launcher log ----"
if [ -n "$log" ]; then tr -d '\r' <"$log"; else echo "(no log was written)"; fi
echo "---- what the JVM was asked (recorded by the stand-in jvm.dll) ----"
tr -d '\r' <"$vm_dir/jvm_record.txt" 2>/dev/null || echo "(nothing recorded)"
if [ -s "$out_dir/stderr.txt" ]; then
  echo "---- standard error ----"
  tr -d '\r' <"$out_dir/stderr.txt"
fi
echo "---- exit code: $code ----"
[ "$code" -eq 0 ] || fail "the launcher ended with exit code $code"
grep -q "CallStaticObjectMethodV com/lumen/runtime/WinLauncher.prepare" "$vm_dir/jvm_record.txt" ||
  fail "the launcher did not prepare the start through the entry class"
grep -q "CallStaticVoidMethodV com/example/hello/Hello.main" "$vm_dir/jvm_record.txt" ||
  fail "the launcher did not call the application's main"
echo "The launcher unpacked its files, found the runtime through JAVA_HOME, created the JVM,"
echo "prepared the start through com.lumen.runtime.WinLauncher and called"
echo "com.example.hello.Hello.main."

# The same entry call on this machine's real JVM, with the arguments the
# launcher handed to the entry class (the array built before its prepare call).
echo
echo "---- the recorded call, replayed on the local JVM ----"
mapfile -t java_args < <(tr -d '\r' <"$vm_dir/jvm_record.txt" |
  sed -n '/^CallStaticObjectMethodV com\/lumen\/runtime\/WinLauncher.prepare/q; s/^SetObjectArrayElement [0-9]* \{0,1\}//p')
java -cp "$out_dir/hello.jar:dist/java/lumen-runtime.jar" com.lumen.runtime.WinLauncher "${java_args[@]}"

# The Linux launcher from the same description: it finds this machine's
# runtime and starts the real JVM in its own process.
linux_launcher=$out_dir/hello
dist/bin/lumen-build samples/hello/launcher.toml --stub dist/stub/lumen-linux-x64 -o "$linux_launcher" ||
  fail "lumen-build could not build $linux_launcher"
echo
echo "---- the Linux launcher ($linux_launcher, $(stat -c %s "$linux_launcher") bytes) with the local JVM ----"
echo "Running: $linux_launcher \"Lumen user\""
"$linux_launcher" "Lumen user" || fail "the Linux launcher ended with exit code $?"

#!/usr/bin/env bash
# Builds the launcher's Java runtime as Java 8 bytecode into OUT/lumen-runtime.jar
# and, with --test, compiles and runs its tests.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=${1:?output directory}
mkdir -p "$out/classes"
javac -nowarn --release 8 -Xlint:-options -d "$out/classes" $(find "$here/src" -name '*.java')
# No manifest: it would say only which JDK built the jar, and the JVM
# reads it to define the package at every start.
jar --create --no-manifest --file "$out/lumen-runtime.jar" -C "$out/classes" .
if [ "${2:-}" = "--test" ]; then
  mkdir -p "$out/test-classes"
  javac --release 8 -Xlint:-options -cp "$out/classes" -d "$out/test-classes" $(find "$here/test" -name '*.java')
  java -cp "$out/classes:$out/test-classes" com.lumen.runtime.RuntimeTest
fi

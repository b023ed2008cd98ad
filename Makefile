# The two everyday commands: `make demo` builds a launcher for the sample
# application and runs it; `make test` builds everything and runs every test.
JOBS ?= $(shell nproc)
CMAKE_BUILD = cmake --build
NATIVE = build/native
ASAN = build/asan
FUZZ = build/fuzz
WIN32_TREE = build/win32
WIN64_TREE = build/win64

.PHONY: all bootstrap native asan fuzz win32 win64 java dist demo test lint clean

all: dist

bootstrap:
	@scripts/bootstrap.sh

native: bootstrap
	@cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@$(CMAKE_BUILD) $(NATIVE) -j $(JOBS)

asan: bootstrap
	@cmake -S . -B $(ASAN) -DCMAKE_BUILD_TYPE=Debug -DLUMEN_SANITIZE=ON >/dev/null
	@$(CMAKE_BUILD) $(ASAN) -j $(JOBS) --target lumen_unit_tests

fuzz: bootstrap
	@cmake -S . -B $(FUZZ) -DCMAKE_BUILD_TYPE=Debug -DLUMEN_FUZZ=ON \
	  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
	@$(CMAKE_BUILD) $(FUZZ) -j $(JOBS)

win32: bootstrap
	@cmake -S . -B $(WIN32_TREE) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
	@$(CMAKE_BUILD) $(WIN32_TREE) -j $(JOBS)

win64: bootstrap
	@cmake -S . -B $(WIN64_TREE) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake >/dev/null
	@$(CMAKE_BUILD) $(WIN64_TREE) -j $(JOBS)

java: bootstrap
	@java/build.sh build/java

dist: native win32 win64 java
	@mkdir -p dist/stub dist/bin dist/java
	@cp build/java/lumen-runtime.jar dist/java/
	@cp $(WIN32_TREE)/lumen-x86.exe $(WIN32_TREE)/lumen-console-x86.exe dist/stub/
	@cp $(WIN64_TREE)/lumen-x64.exe $(WIN64_TREE)/lumen-console-x64.exe dist/stub/
	@cp $(NATIVE)/src/builder/lumen-build dist/bin/
	@cp $(WIN64_TREE)/src/builder/lumen-build.exe dist/bin/
	@strip -o dist/stub/lumen-linux-x64 $(NATIVE)/lumen-linux-x64
	@touch dist/.built

demo: dist
	@scripts/demo.sh

lint: bootstrap
	@scripts/lint.sh

test: dist asan fuzz lint
	@ctest --test-dir $(ASAN) --output-on-failure -L unit
	@ctest --test-dir $(FUZZ) --output-on-failure
	@ctest --test-dir $(NATIVE) --output-on-failure
	@# ctest shows a skipped test's output nowhere: say once why each architecture was skipped.
	@grep -h '^x[0-9]* skipped: ' $(NATIVE)/Testing/Temporary/LastTest.log 2>/dev/null | sort -u || true

clean:
	rm -rf build dist

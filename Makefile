# The two everyday commands:
#   make demo   install what is missing, build, and align the shipped example scene
#   make test   install what is missing, then build and test 64-bit, 32-bit and sanitized
SHELL := /bin/bash
JOBS ?= 2
CMAKE_FLAGS ?= -DKESTRUM_WERROR=ON
CTEST_FLAGS ?= --output-on-failure --timeout 300

FUZZ_SECONDS ?= 60
FUZZ_TARGETS = resource_files_fuzz module_commands_fuzz scene_file_fuzz gltf_file_fuzz

VIEW_PORT ?= 0

.PHONY: all deps build demo view test test-64 test-32 test-sanitize test-windows windows dist fuzz valgrind bench format-check format clean blender-addon install uninstall deb

all: build

deps:
	@bash scripts/install-deps.sh

build: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)
	cmake --build build -j $(JOBS)

demo: build
	./build/command/kestrum demo

# The demo scene in the browser view: open the address it prints; Ctrl-C ends it. Save
# writes kestrum-view.json, never the shipped example.
view: build
	./build/command/kestrum view examples/demo.json -o kestrum-view.json \
	  $(if $(filter-out 0,$(VIEW_PORT)),--port $(VIEW_PORT))

test: deps test-64 test-32 test-sanitize test-windows

test-64: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)
	cmake --build build -j $(JOBS)
	ctest --test-dir build $(CTEST_FLAGS)

test-32: deps
	cmake -S . -B build-32 -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/m32.cmake $(CMAKE_FLAGS)
	cmake --build build-32 -j $(JOBS)
	ctest --test-dir build-32 $(CTEST_FLAGS)

test-sanitize: deps
	cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DKESTRUM_SANITIZE=ON $(CMAKE_FLAGS)
	cmake --build build-sanitize -j $(JOBS)
	ctest --test-dir build-sanitize $(CTEST_FLAGS)

# The plug-in for 64- and 32-bit Windows, cross-built with MinGW-w64.
windows: deps
	cmake -S . -B build-windows-64 -DCMAKE_BUILD_TYPE=Release -DKESTRUM_MODULE_ONLY=ON \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-x86_64.cmake $(CMAKE_FLAGS)
	cmake --build build-windows-64 -j $(JOBS)
	cmake -S . -B build-windows-32 -DCMAKE_BUILD_TYPE=Release -DKESTRUM_MODULE_ONLY=ON \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-i686.cmake $(CMAKE_FLAGS)
	cmake --build build-windows-32 -j $(JOBS)

test-windows: windows
	bash scripts/check-exports.sh build-windows-64/plugins/kestrum/kestrum.cdl
	bash scripts/check-exports.sh build-windows-32/plugins/kestrum/kestrum.cdl

# The 64-bit tests again, under valgrind's memcheck: no memory error, no leak.
valgrind: test-64
	bash scripts/valgrind-tests.sh build

# Alignment benchmarks through the built plug-in (1e3 to 1e6 selected objects); prints
# the tables, then times the command end to end on generated JSON and .glb scenes.
# BENCH_SECONDS is the least time spent on each press case.
BENCH_SECONDS ?= 1
# Objects in the generated scenes the command is timed on, JSON and .glb (JSON also
# next to jq -c . on the same file).
BENCH_SIZES ?= 10000 100000 1000000
# Objects in the generated scenes `kestrum view` is timed on in headless chromium, next
# to three.js's GLTFLoader on the same scene as .glb.
VIEW_BENCH_SIZES ?= 100 1000 10000 100000
bench: deps
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)
	cmake --build build-bench -j $(JOBS) --target kestrum_bench kestrum_generate_scene \
	  kestrum_generate_gltf_scene kestrum_command_line kestrum_python
	./build-bench/bench/kestrum_bench --benchmark_min_time=$(BENCH_SECONDS)
	PYTHONPATH=build-bench/python /usr/bin/python3 bench/python_bulk.py 10000 100000
	bench/command_end_to_end.sh build-bench $(BENCH_SIZES)
	node bench/view_browser.mjs build-bench $(VIEW_BENCH_SIZES)
	cmake --build build-bench -j $(JOBS) --target kestrum_blender_addon
	for objects in 10000 100000; do \
	  BENCH_OBJECTS=$$objects KESTRUM_BLENDER_SCRIPTS=build-bench/blender blender -b \
	    --factory-startup --python-exit-code 1 --python bench/blender_align.py || exit 1; \
	done

# The Blender add-on, ready to install from Blender's preferences: dist/kestrum-blender.zip.
blender-addon: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)
	cmake --build build -j $(JOBS) --target kestrum_blender_zip

# Each fuzz target, under AddressSanitizer and UBSan: first over the inputs that once
# failed, then FUZZ_SECONDS of fuzzing from its seed corpus (copied, so the repository's
# corpus stays as it is), with the format's dictionary and inputs long enough to nest
# past the readers' depth limit. A finding is written to build-fuzz/findings/.
# Then HOSTILE_SCENES generated hostile scene files (seed HOSTILE_SEED, fresh by
# default and printed) through the sanitized kestrum program.
HOSTILE_SCENES ?= 1000
ifndef HOSTILE_SEED
HOSTILE_SEED := $(shell date +%s)
endif
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DKESTRUM_FUZZ=ON -DKESTRUM_SANITIZE=ON -DKESTRUM_TESTS=OFF $(CMAKE_FLAGS)
	cmake --build build-fuzz -j $(JOBS) --target $(FUZZ_TARGETS)
	@set -eo pipefail; for target in $(FUZZ_TARGETS); do \
	  corpus=$${target%_fuzz}; \
	  rm -rf build-fuzz/corpus/$$corpus; mkdir -p build-fuzz/corpus/$$corpus build-fuzz/findings; \
	  cp fuzz/corpus/$$corpus/* build-fuzz/corpus/$$corpus/; \
	  echo "== $$target: regressions"; \
	  if compgen -G "fuzz/regressions/$$corpus/*" >/dev/null; then \
	    ./build-fuzz/fuzz/$$target fuzz/regressions/$$corpus/* 2>&1 | tail -n 1; fi; \
	  echo "== $$target: $(FUZZ_SECONDS) s"; \
	  options=""; \
	  if [ -f fuzz/dictionaries/$$corpus.dict ]; then \
	    options="-dict=fuzz/dictionaries/$$corpus.dict -max_len=32768"; fi; \
	  ./build-fuzz/fuzz/$$target -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 $$options \
	    -artifact_prefix=build-fuzz/findings/ build-fuzz/corpus/$$corpus 2>&1 | grep -E '^(Done|stat::number_of_executed_units|==[0-9]+==ERROR)'; \
	done
	cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DKESTRUM_SANITIZE=ON $(CMAKE_FLAGS)
	cmake --build build-sanitize -j $(JOBS) --target command_tests kestrum_command_line kestrum
	@echo "== hostile scenes: $(HOSTILE_SCENES) files, seed $(HOSTILE_SEED)"
	@KESTRUM_HOSTILE_SCENES=$(HOSTILE_SCENES) KESTRUM_HOSTILE_SEED=$(HOSTILE_SEED) \
	  ./build-sanitize/tests/command_tests --gtest_filter='HostileScenes.*' \
	  > build-sanitize/hostile-scenes.log 2>&1 || { tail -n 40 build-sanitize/hostile-scenes.log; exit 1; }
	@grep '^hostile scenes' build-sanitize/hostile-scenes.log

# One archive of the plug-in folder per target, in dist/.
dist: test-windows
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)
	cmake --build build -j $(JOBS) --target kestrum
	cmake -S . -B build-32 -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/m32.cmake $(CMAKE_FLAGS)
	cmake --build build-32 -j $(JOBS) --target kestrum
	bash scripts/pack-plugin.sh build/plugins dist/kestrum-linux-x86_64.tar.gz
	bash scripts/pack-plugin.sh build-32/plugins dist/kestrum-linux-i686.tar.gz
	bash scripts/pack-plugin.sh build-windows-64/plugins dist/kestrum-windows-x86_64.zip
	bash scripts/pack-plugin.sh build-windows-32/plugins dist/kestrum-windows-i686.zip

# The command, the plug-in folder, the Python package, the man page, bash completion,
# the examples and the Blender add-on under PREFIX (docs/install.md); DESTDIR is
# honoured. `make uninstall` removes what the last `make install` wrote, files and the
# folders it made, as its record lists them.
PREFIX ?= /usr/local
install: build
	bash scripts/install.sh build $(PREFIX) build/kestrum-installed.txt

uninstall:
	bash scripts/uninstall.sh build/kestrum-installed.txt
	rm -f build/kestrum-installed.txt

# The Debian package of the same, installed under /usr: dist/kestrum_VERSION_ARCH.deb.
deb: build
	bash scripts/make-deb.sh build dist

# Every C++ file against the project's .clang-format: check, or apply.
format-check: deps
	bash scripts/format.sh

format: deps
	bash scripts/format.sh --fix

clean:
	rm -rf build build-32 build-sanitize build-windows-64 build-windows-32 build-fuzz dist

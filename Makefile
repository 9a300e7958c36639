# The two everyday commands:
#   make demo   install what is missing, build, and align the shipped example scene
#   make test   install what is missing, then build and test 64-bit, 32-bit and sanitized
JOBS ?= 2
CMAKE_FLAGS ?= -DKESTRUM_WERROR=ON
CTEST_FLAGS ?= --output-on-failure --timeout 300

.PHONY: all deps build demo test test-64 test-32 test-sanitize clean

all: build

deps:
	@bash scripts/install-deps.sh

build: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)
	cmake --build build -j $(JOBS)

demo: build
	./build/command/kestrum demo

test: deps test-64 test-32 test-sanitize

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

clean:
	rm -rf build build-32 build-sanitize

# Everything a new machine needs: `make run DIR=<dir>` and `make test`.

BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
PREFIX     ?= /usr/local
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_ARGS ?=

.PHONY: all deps build build-asan test test-normal test-asan run bench fuzz-build fuzz-smoke install clean

all: build

deps:
	@sh scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKILN_BENCH=ON $(CMAKE_ARGS)
	cmake --build $(BUILD) -j $(JOBS)

build-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DKILN_SANITIZE=ON $(CMAKE_ARGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)

# The whole suite, once in the normal build and once under the sanitizers.
test: test-normal test-asan

test-normal: build
	sh scripts/run-tests.sh $(BUILD)

test-asan: build-asan
	sh scripts/run-tests.sh $(ASAN_BUILD)

run: build
	@if [ -z "$(DIR)" ]; then echo "usage: make run DIR=<directory>" >&2; exit 2; fi
	./$(BUILD)/bin/tindle "$(DIR)"

bench: build
	sh bench/run-all.sh $(BUILD)

fuzz-build: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DKILN_FUZZ=ON -DKILN_TESTS=OFF $(CMAKE_ARGS)
	cmake --build $(FUZZ_BUILD) -j $(JOBS)

fuzz-smoke: fuzz-build
	sh scripts/fuzz-smoke.sh $(FUZZ_BUILD)/bin fuzz/corpus

install: build
	cmake --install $(BUILD) --prefix "$(PREFIX)"

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)

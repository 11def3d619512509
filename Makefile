# Everything a new machine needs: `make run DIR=<dir>` and `make test`.

BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
PREFIX     ?= /usr/local
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_ARGS ?=

FUZZ_SECONDS ?= 60
# With FUZZ_RUNS set, each harness runs that many inputs instead.
FUZZ_RUNS ?=
# Where `make fuzz` keeps what it finds, run after run; outside the checkout.
FUZZ_KEEP  ?= $(HOME)/.cache/kiln-fuzz

.PHONY: all deps build build-asan test test-normal test-asan soak run bench docs fuzz-build fuzz-smoke fuzz fuzz-seeds install clean

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

# Ten minutes of random input on every example program and kiln-view in
# the sanitizer build, then long runs watching memory (SOAK_SECONDS sets
# the ten minutes).
soak: build build-asan
	sh scripts/soak.sh $(BUILD) $(ASAN_BUILD)

run: build
	@if [ -z "$(DIR)" ]; then echo "usage: make run DIR=<directory>" >&2; exit 2; fi
	./$(BUILD)/bin/tindle "$(DIR)"

bench: build
	sh bench/run-all.sh $(BUILD)

# The reference and the guide, from the public headers, into $(BUILD)/docs/html;
# any warning fails it. The pictures go beside the pages, where the guide's
# relative links find them.
docs: deps
	mkdir -p $(BUILD)/docs
	KILN_DOCS_OUTPUT=$(BUILD)/docs doxygen docs/Doxyfile
	cp -r docs/pictures $(BUILD)/docs/

fuzz-build: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DKILN_FUZZ=ON -DKILN_TESTS=OFF $(CMAKE_ARGS)
	cmake --build $(FUZZ_BUILD) -j $(JOBS)

# Each harness briefly on its seeds (CI).
fuzz-smoke: fuzz-build
	FUZZ_SECONDS=10 sh scripts/fuzz-run.sh $(FUZZ_BUILD)/bin fuzz/corpus

# Each harness for FUZZ_SECONDS (or FUZZ_RUNS inputs), going on from what
# earlier runs found.
fuzz: fuzz-build
	FUZZ_SECONDS=$(FUZZ_SECONDS) FUZZ_RUNS=$(FUZZ_RUNS) sh scripts/fuzz-run.sh $(FUZZ_BUILD)/bin fuzz/corpus "$(FUZZ_KEEP)"

# What `make fuzz` found and the seeds, minimised into the seeds (to commit).
fuzz-seeds: fuzz-build
	sh scripts/fuzz-seeds.sh $(FUZZ_BUILD)/bin fuzz/corpus "$(FUZZ_KEEP)"

install: build
	cmake --install $(BUILD) --prefix "$(PREFIX)"

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)

# Everything a new machine needs: `make run DIR=<dir>` and `make test`.

BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
BUILD32    ?= build32
PACKAGE_BUILD ?= build-package
PREFIX     ?= /usr/local
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_ARGS ?=

FUZZ_SECONDS ?= 60
# With FUZZ_RUNS set, each harness runs that many inputs instead.
FUZZ_RUNS ?=
# Where `make fuzz` keeps what it finds, run after run; outside the checkout.
FUZZ_KEEP  ?= $(HOME)/.cache/kiln-fuzz

.PHONY: all deps deps32 deps-package build build-asan build32 test test-normal test-asan test32 soak run bench docs \
        fuzz-build fuzz-smoke fuzz fuzz-seeds install package package-test clean

all: build

deps:
	@sh scripts/install-deps.sh

deps32:
	@sh scripts/install-deps.sh i386

deps-package:
	@sh scripts/install-deps.sh package

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

# The 32-bit x86 build: the library, programs and tests built with -m32
# against Debian's i386 packages, the whole suite run in it, then files
# exchanged with the 64-bit build both ways.
build32: deps32
	cmake -S . -B $(BUILD32) -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/i386-linux-gnu.cmake \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)
	cmake --build $(BUILD32) -j $(JOBS)

test32: build32 build
	sh scripts/run-tests.sh $(BUILD32)
	xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp -noreset" \
	  sh tests/exchange/cross-size.sh $(BUILD32)/bin $(BUILD)/bin

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

# Debian packages of the library, its development files and its programs,
# built for /usr into $(PACKAGE_BUILD)/packages; their contents are checked
# and lintian must find no error.
package: deps-package
	cmake -S . -B $(PACKAGE_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
	  -DKILN_TESTS=OFF $(CMAKE_ARGS)
	cmake --build $(PACKAGE_BUILD) -j $(JOBS)
	cd $(PACKAGE_BUILD) && cpack -B packages
	sh tests/packaging/check-packages.sh $(PACKAGE_BUILD)/packages

# The packages installed with apt-get on a fresh minimal Debian 12 (made
# with debootstrap), then used there as a new user would.
package-test: package
	sh tests/packaging/fresh-install.sh $(PACKAGE_BUILD)/packages

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(BUILD32) $(PACKAGE_BUILD)

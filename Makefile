# The two commands of the README, `make run` and `make test`, and `make package` (a .deb).
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)
ARGS ?=
FUZZ_SECONDS ?= 60

.PHONY: all setup configure build run test package clean sanitize format format-check fuzz

all: build

setup:
	@scripts/setup.sh

configure: setup
	@if [ ! -f $(BUILD_DIR)/build.ninja ]; then \
	  cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE); fi

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@scripts/run.sh $(BUILD_DIR)/vellumark $(ARGS)

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

# vellumark_<version>_<arch>.deb in $(BUILD_DIR) (cmake/Packaging.cmake says what it holds).
package: build
	@cd $(BUILD_DIR) && cpack -G DEB

# Undefined behaviour stops the test that meets it: reported and carried on, it would pass.
sanitize: setup
	@cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELLUMARK_SANITIZE=ON
	@cmake --build build-asan -j $(JOBS)
	@cd build-asan && UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS)

# Builds the fuzzer (clang) and runs it for FUZZ_SECONDS, seeded by the tests' files.
fuzz: build
	@JOBS=$(JOBS) scripts/fuzz.sh $(FUZZ_SECONDS) $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR) build-asan build-fuzz

format-check: setup
	@scripts/check-format.sh

format: setup
	@scripts/check-format.sh --fix

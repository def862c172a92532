# The README's commands: `make test`, `make run` and `make package`. Each installs what is missing
# first.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)

.PHONY: all deps configure build test run bench package clean

all: build

# What each command installs: `make run` only what building and playing need, `make test` the
# test tools besides; .ci/run adds the sanitizer, fuzzing and packaging tools.
DEPS ?= test
TESTS ?= ON

deps:
	scripts/install-deps $(DEPS)

configure: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGRAIN_TESTS=$(TESTS)

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

run: DEPS = run
run: TESTS = OFF
run: build
	./$(BUILD_DIR)/grainpanel

# Every benchmark program, then timed runs of grainrender itself.
bench: build
	for b in $(BUILD_DIR)/bench/*_bench; do $$b || exit 1; done
	BUILD_DIR=$(BUILD_DIR) scripts/time-grainrender

# The Debian package build/grainpanel_VERSION_ARCH.deb, its contents and fields checked.
package: DEPS = ci
package: build
	cmake --build $(BUILD_DIR) --target package
	scripts/check-package $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR)

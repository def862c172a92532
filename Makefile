# The README's commands: `make test`, `make run` and `make package`. Each installs what is missing
# first.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)

.PHONY: all deps configure build test run bench package clean

all: build

deps:
	scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

run: build
	./$(BUILD_DIR)/grainpanel

# Every benchmark program, then timed runs of grainrender itself.
bench: build
	for b in $(BUILD_DIR)/bench/*_bench; do $$b || exit 1; done
	BUILD_DIR=$(BUILD_DIR) scripts/time-grainrender

# The Debian package build/grainpanel_VERSION_ARCH.deb, its contents and fields checked.
package: build
	cmake --build $(BUILD_DIR) --target package
	scripts/check-package $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR)

# The README's two commands: `make test` and `make run`. Both install what is missing first.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)

.PHONY: all deps configure build test run bench clean

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

clean:
	rm -rf $(BUILD_DIR)

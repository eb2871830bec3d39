# The two commands: `make run` and `make test`. Both install what is missing first.
# `make package` builds the Debian package into $(BUILD_DIR).
BUILD_DIR ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps configure build run test bench package clean

all: build

deps:
	@bash tools/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@bash tools/run.sh $(BUILD_DIR)

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

package: build
	cd $(BUILD_DIR) && cpack -G DEB

# One table of every benchmark's CPU time and its ratio against a reference
# timed in the same run.
bench: build
	@python3 tools/benchtable.py $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR)

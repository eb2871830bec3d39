# The two commands: `make run` and `make test`. Both install what is missing first.
# `make package` builds the Debian package into $(BUILD_DIR).
# `make test-sanitize` builds the tests with AddressSanitizer and
# UndefinedBehaviorSanitizer in $(CHECKED_DIR) and runs them; `make fuzz
# SECONDS=N` builds the libFuzzer targets in the same folder and runs each for N
# seconds. One clang build serves both, so CI compiles the checked tree once.
BUILD_DIR ?= build
CHECKED_DIR ?= build-checked
SECONDS ?= 60
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
LAUNCHER := $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
FUZZ_TARGETS := treereader projectloader pngdecoder
SANITIZER_ENV := QT_QPA_PLATFORM=offscreen \
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitize/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

.PHONY: all deps configure build run test checked-configure test-sanitize fuzz bench package clean

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

# The install checks look at the packaged tree, not at the code: they are left out.
checked-configure: deps
	CC=clang CXX=clang++ cmake -S . -B $(CHECKED_DIR) -DCMAKE_BUILD_TYPE=Sanitize \
		-DZOR_SANITIZE=ON -DZOR_FUZZ=ON $(LAUNCHER)

test-sanitize: checked-configure
	cmake --build $(CHECKED_DIR) -j $(JOBS)
	cd $(CHECKED_DIR) && $(SANITIZER_ENV) ctest --output-on-failure -j $(JOBS) -LE install

fuzz: checked-configure
	cmake --build $(CHECKED_DIR) -j $(JOBS) $(addprefix --target fuzz_,$(FUZZ_TARGETS))
	@for t in $(FUZZ_TARGETS); do \
		mkdir -p $(CHECKED_DIR)/corpus/$$t && \
		echo "fuzz_$$t: $(SECONDS) s" && \
		$(SANITIZER_ENV) $(CHECKED_DIR)/tests/fuzz/fuzz_$$t -max_total_time=$(SECONDS) \
			-max_len=262144 -rss_limit_mb=4096 -print_final_stats=1 \
			-artifact_prefix=$(CHECKED_DIR)/corpus/crash-$$t- \
			$(CHECKED_DIR)/corpus/$$t tests/fuzz/seeds examples tests/io/data tests/cli/data \
			|| exit 1; \
	done

package: build
	cd $(BUILD_DIR) && cpack -G DEB

# One table of every benchmark's CPU time and its ratio against a reference
# timed in the same run.
bench: build
	@python3 tools/benchtable.py $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR) $(CHECKED_DIR)

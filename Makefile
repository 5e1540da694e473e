# Linux build of HeadlessEditor and the MOLDARI plugin.
#   make run    start the headless editor with the plugin, the bridge switched on
#   make test   every test: stand-in unit tests and plugin automation tests (plain and under
#               ThreadSanitizer), black-box HTTP tests, the ZIP comparison with Info-ZIP unzip,
#               hostile clients and archive traps, the headless Chromium tests and 30 seconds
#               of each fuzzer
#   make demo   the demo page on http://localhost:5173 (beside make run)
# Both install the Debian and npm packages they need when missing.

BUILD_DIR ?= build
JOBS ?= 2
PROJECT ?=
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
PYTHON := /usr/bin/python3
EDITOR := $(BUILD_DIR)/bin/headless-editor
# Every skip is listed with its reason (-rs); under CI a skip fails (Tests/pytest_ci.py).
PYTEST := HEADLESS_EDITOR=$(abspath $(EDITOR)) PYTHONPATH=$(abspath Tests) $(PYTHON) -m pytest -q -p no:cacheprovider -p pytest_ci -rs

BUILD_PACKAGES := build-essential cmake ccache pkg-config libgtest-dev zlib1g-dev libcurl4-openssl-dev nlohmann-json3-dev libassimp-dev libzip-dev assimp-utils libstb-dev libjpeg62-turbo-dev
TEST_PACKAGES := python3-pytest unzip libarchive-tools chromium
FUZZ_PACKAGES := clang libclang-rt-14-dev

.PHONY: all build run test test-unit test-automation test-blackbox test-hostile test-hostile-quick test-browser deps-build deps-test deps-fuzz fuzz test-asan test-tsan bench-zip clean

all: build

# Installs only what is missing, so a machine that has everything never calls apt.
define apt_install
	@missing=""; for p in $(1); do dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; done; \
	if [ -n "$$missing" ]; then \
		echo "Installing:$$missing"; \
		$(SUDO) apt-get update -qq && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq $$missing; \
	fi
endef

deps-build:
	$(call apt_install,$(BUILD_PACKAGES))

deps-test: deps-build
	$(call apt_install,$(TEST_PACKAGES))
	@# Node.js may come from elsewhere than Debian (its npm then conflicts with Debian's): only
	@# install Debian's when there is none.
	@command -v npm >/dev/null 2>&1 || { $(SUDO) apt-get update -qq && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq nodejs npm; }
	@cd Tests/Browser && { { [ -d node_modules/playwright-core ] && [ -d node_modules/three ]; } || npm ci --no-audit --no-fund --loglevel=error; }

deps-fuzz: deps-build
	$(call apt_install,$(FUZZ_PACKAGES))

$(BUILD_DIR)/CMakeCache.txt:
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps-build $(BUILD_DIR)/CMakeCache.txt
	cmake --build $(BUILD_DIR) -j$(JOBS)

run: build
	$(EDITOR) --plugin . --press MOLDARIToggle $(if $(PROJECT),--project $(PROJECT))

test-unit: build
	$(BUILD_DIR)/bin/HeadlessEditorTests

# Twice: with the project's folders relative to the editor's binaries folder (a project on the
# engine's drive, and always on Linux) and with full ones (Windows, another drive).
test-automation: build
	@rm -rf $(BUILD_DIR)/AutomationProject
	$(EDITOR) --project $(BUILD_DIR)/AutomationProject --plugin . --run-tests MOLDARI
	@rm -rf $(BUILD_DIR)/AutomationProject
	$(EDITOR) --absolute-project-paths --project $(BUILD_DIR)/AutomationProject --plugin . --run-tests MOLDARI

test-blackbox: build deps-test
	$(PYTEST) Tests/BlackBox Tests/zip

test-browser: build deps-test
	HEADLESS_EDITOR=$(abspath $(EDITOR)) npm --prefix Tests/Browser test

# Hostile clients, archives and faults (Tests/Hostile; SECURITY.md says what each defends).
# test-hostile: 200 slow connections held 20 s and 10,000 malformed requests with valid ones
# interleaved (about 35 s), then every archive-trap and fault test (about 90 s).
# test-hostile-quick (part of make test, about 45 s): the load with an 8 s hold and 2,000
# malformed requests, and the tests not marked slow (the two 65,535-entry archives are left out).
# The full-disk tests give project folders a disk's size through an LD_PRELOAD shim
# (Tests/Hostile/disk_faults.c, built by the tests): no mount, no root.
test-hostile: build deps-test
	HEADLESS_EDITOR=$(abspath $(EDITOR)) $(PYTHON) Tests/Hostile/hostile_load.py
	$(PYTEST) Tests/Hostile

test-hostile-quick: build deps-test
	HEADLESS_EDITOR=$(abspath $(EDITOR)) $(PYTHON) Tests/Hostile/hostile_load.py --quick
	$(PYTEST) -m "not slow" Tests/Hostile

# CI runs the ThreadSanitizer build of the C++ tests (6 min from a cold cache on 2 cores, against
# 12 min for AddressSanitizer, whose checks the fuzzers already bring to the parsers).
test: deps-test build
	$(MAKE) --no-print-directory test-unit test-automation test-tsan fuzz test-blackbox test-hostile-quick test-browser FUZZ_SECONDS=30

# libFuzzer harnesses (Tests/Fuzz/fuzz.sh): `make fuzz` runs each for FUZZ_SECONDS (default 60),
# `make fuzz-NAME` one of them (zip, request, import_request, material_metadata, package_file).
FUZZ_BUILD_DIR ?= $(BUILD_DIR)-fuzz
fuzz: deps-fuzz
	MOLDARI_FUZZ_BUILD=$(abspath $(FUZZ_BUILD_DIR)) Tests/Fuzz/fuzz.sh $(or $(FUZZ_SECONDS),60)

fuzz-%: deps-fuzz
	MOLDARI_FUZZ_BUILD=$(abspath $(FUZZ_BUILD_DIR)) Tests/Fuzz/fuzz.sh $(or $(FUZZ_SECONDS),60) $*

# The C++ tests (stand-in unit tests, plugin automation tests) under sanitizers, each in a build
# directory of its own; any report fails the run (the options below, and the documented
# suppressions in Tests/Sanitizers). make test-asan: AddressSanitizer + UndefinedBehaviorSanitizer
# with LeakSanitizer; make test-tsan: ThreadSanitizer.
SANITIZER_DIR := $(abspath Tests/Sanitizers)
ASAN_ENV := ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:strict_init_order=1 \
	UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 LSAN_OPTIONS=suppressions=$(SANITIZER_DIR)/lsan.supp:print_suppressions=0
TSAN_ENV := TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$(SANITIZER_DIR)/tsan.supp
# Measurements the instrumented builds cannot meet run in the plain build only: the peak-memory
# test reads the process's resident size (a sanitizer's allocator inflates it); under
# ThreadSanitizer the 50 MB JSON document takes 89 s to parse against the test's 60 s.
ASAN_SKIPPED_TESTS := HttpTest.BodyMemoryStaysNearTheBodySize
TSAN_SKIPPED_TESTS := HttpTest.BodyMemoryStaysNearTheBodySize:JsonLimits.FiftyMegabyteDocumentReadsInSeconds
define sanitizer_tests
	cmake -S . -B $(1) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMOLDARI_SANITIZE=$(2) >/dev/null
	cmake --build $(1) -j$(JOBS)
	$(3) $(1)/bin/HeadlessEditorTests --gtest_filter=-$(4)
	@rm -rf $(1)/AutomationProject
	$(3) $(1)/bin/headless-editor --project $(1)/AutomationProject --plugin . --run-tests MOLDARI
endef

test-asan: deps-build
	$(call sanitizer_tests,$(BUILD_DIR)-asan,address,$(ASAN_ENV),$(ASAN_SKIPPED_TESTS))

test-tsan: deps-build
	$(call sanitizer_tests,$(BUILD_DIR)-tsan,thread,$(TSAN_ENV),$(TSAN_SKIPPED_TESTS))

bench-zip: build deps-test
	$(PYTHON) Benchmarks/zip/run_zip_bench.py

# make bench: every benchmark under Benchmarks/, one report in Benchmarks/results/<date>.md.
# Debian's nginx is the bridge's (and the downloads') peer and netpbm decodes the textures of the
# import's peers; only this target installs them. The run gets a private network namespace of its
# own, so port 5325 and the peers' ports cannot collide with anything else on the machine.
BENCH_PACKAGES := nginx netpbm curl unzip assimp-utils iproute2
.PHONY: bench deps-bench
deps-bench: deps-test
	$(call apt_install,$(BENCH_PACKAGES))

# The build the 400 MB import is compared with, in the same run: the last one that held a whole
# archive in memory and extracted it on the main thread. It is built once from that revision into
# $(BUILD_DIR)-baseline (ccache shares the objects with this build); BENCH_BASELINE= (empty) skips it.
BENCH_BASELINE ?= 0579d0ec222b
BASELINE_DIR := $(abspath $(BUILD_DIR)-baseline)
.PHONY: bench-baseline
bench-baseline: deps-build
	@if [ -n "$(BENCH_BASELINE)" ] && [ "$$(cat $(BASELINE_DIR)/rev 2>/dev/null)" != "$(BENCH_BASELINE)" ]; then \
	  rm -rf $(BASELINE_DIR) && mkdir -p $(BASELINE_DIR)/src && \
	  git archive $(BENCH_BASELINE) | tar -x -C $(BASELINE_DIR)/src && echo $(BENCH_BASELINE) > $(BASELINE_DIR)/rev; fi
	@if [ -n "$(BENCH_BASELINE)" ]; then \
	  cmake -S $(BASELINE_DIR)/src -B $(BASELINE_DIR)/build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null && \
	  cmake --build $(BASELINE_DIR)/build -j$(JOBS) --target headless-editor MOLDARIPlugin; fi

bench: build deps-bench bench-baseline
	$(if $(SUDO),unshare -rn,unshare -n) sh -c 'ip link set lo up && HEADLESS_EDITOR=$(abspath $(EDITOR)) \
	  $(if $(BENCH_BASELINE),MOLDARI_BASELINE_EDITOR=$(BASELINE_DIR)/build/bin/headless-editor) $(PYTHON) Benchmarks/run_all.py'

# make demo: the demo page of the web application on http://localhost:5173, offering the sample
# asset archives (built first, into $(BUILD_DIR)/SampleArchives); run it beside `make run`.
.PHONY: demo
demo: build
	$(PYTHON) Demo/serve.py --port 5173 --archives $(BUILD_DIR)/SampleArchives

clean:
	rm -rf $(BUILD_DIR)

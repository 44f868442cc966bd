# Thin wrapper over CMake/CTest. Every target installs what it needs first.
JOBS      ?= $(shell nproc)
BUILD     ?= build
ASAN      ?= build-asan
FUZZBUILD ?= build-fuzz
CMAKE_GEN := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")
# A developer machine with ccache reuses objects across build folders and clones.
CMAKE_LAUNCHER := $(shell command -v ccache >/dev/null 2>&1 && echo "-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache")
FUZZ_SECONDS ?= 60
SMOKE_SECONDS ?= 10

# GUI tests and the window need a display; without one we start a virtual one.
HAS_DISPLAY := $(if $(DISPLAY)$(WAYLAND_DISPLAY),yes,)
XVFB := $(if $(HAS_DISPLAY),,xvfb-run -a -s "-screen 0 1920x1080x24 -noreset")

.PHONY: all deps build build-asan build-fuzz run test test-main test-asan fuzz fuzz-smoke bench package clean

all: build

deps:
	@bash scripts/install-deps.sh

build: deps
	@test -f $(BUILD)/CMakeCache.txt || cmake -S . -B $(BUILD) $(CMAKE_GEN) $(CMAKE_LAUNCHER) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS)

build-asan: deps
	@test -f $(ASAN)/CMakeCache.txt || cmake -S . -B $(ASAN) $(CMAKE_GEN) $(CMAKE_LAUNCHER) -DCMAKE_BUILD_TYPE=Debug -DHD_SANITIZE=ON
	cmake --build $(ASAN) -j $(JOBS)

build-fuzz: deps
	@test -f $(FUZZBUILD)/CMakeCache.txt || CC=clang CXX=clang++ cmake -S . -B $(FUZZBUILD) $(CMAKE_GEN) $(CMAKE_LAUNCHER) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHD_FUZZ=ON
	cmake --build $(FUZZBUILD) -j $(JOBS)

run: build
	@bash scripts/run-workstation.sh $(BUILD)

# Sanitizer tests and fuzz smoke first, the main suite last; then the test
# share of the tree, and ctest's summary of the full suite repeated, so that
# the closing lines are still that summary. Any failure stops make.
test: build-asan build-fuzz build
	cd $(ASAN) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS) --timeout 600
	@bash scripts/run-fuzzers.sh $(FUZZBUILD) $(SMOKE_SECONDS)
	@cd $(BUILD) && { $(XVFB) ctest --output-on-failure -j $(JOBS) --timeout 600 --output-log Testing/main-suite.log; \
	  status=$$?; echo; bash $(CURDIR)/scripts/count-test-lines.sh; echo; \
	  grep -E "tests passed|tests failed out of|^Total Test time" Testing/main-suite.log | tail -n 2; exit $$status; }

fuzz: build-fuzz
	@bash scripts/run-fuzzers.sh $(FUZZBUILD) $(FUZZ_SECONDS)

bench: build
	cmake --build $(BUILD) -j $(JOBS) --target hd_benchmarks
	@bash scripts/run-benchmarks.sh $(BUILD)

# The Debian package (build/hazard-desk_VERSION_ARCH.deb).
package: build
	cmake --build $(BUILD) --target package

clean:
	rm -rf $(BUILD) $(ASAN) $(FUZZBUILD)

# The two entry points: `make demo` and `make test`. Both install what a fresh
# Debian 12 machine lacks, configure once and build incrementally with Ninja.
BUILD := build
CMAKE_GEN := -G Ninja
JOBS ?= 2
FUZZ_SECONDS ?= 600
SOAK_MINUTES ?= 30
SOAK_SEED ?=

.PHONY: demo test setup setup-windows release asan tsan windows bench fuzz fuzz-long soak clean install-vst3 install-lv2

setup:
	@tools/setup/install_deps.sh

setup-windows: setup
	@tools/setup/install_deps.sh windows

$(BUILD)/release/build.ninja: | setup
	cmake -S . -B $(BUILD)/release $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release

# The sanitizer builds take the skin and font builders from the release build
# (VORN_HOST_TOOLS_DIR) instead of building and running instrumented copies;
# the GUI toolkit's decoders run under AddressSanitizer through the fuzz replays.
$(BUILD)/asan/build.ninja: | setup
	cmake -S . -B $(BUILD)/asan $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug \
	  -DVORN_SANITIZE=address,undefined -DVORN_BENCH=OFF \
	  -DVORN_HOST_TOOLS_DIR=$(CURDIR)/$(BUILD)/release \
	  "-DVORN_ONLY_TESTS=vorn_plugin_tests;vorn_synth_tests;vorn_fx_tests;vorn_files_tests;vorn_sequencer_tests"

$(BUILD)/tsan/build.ninja: | setup
	cmake -S . -B $(BUILD)/tsan $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DVORN_SANITIZE=thread -DVORN_BENCH=OFF -DVORN_ONLY_TESTS=vorn_tsan_tests \
	  -DVORN_HOST_TOOLS_DIR=$(CURDIR)/$(BUILD)/release

# Windows: vorn.dll and vorn-render.exe cross-built with MinGW-w64, 32-bit (the
# reference) in win32, 64-bit in win64, and their tests run under Wine in one
# prefix kept in the build folder. The build-time programs (table generators,
# skin and font builders) are the release build's, so both platforms compile
# the same generated sources and embed the same skin.
WINDOWS_CONFIG = $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DVORN_BENCH=OFF \
  -DVORN_HOST_TOOLS_DIR=$(CURDIR)/$(BUILD)/release -DVORN_WINE_PREFIX=$(CURDIR)/$(BUILD)/wine

$(BUILD)/win32/build.ninja: | setup-windows $(BUILD)/release/build.ninja
	cmake -S . -B $(BUILD)/win32 -DCMAKE_TOOLCHAIN_FILE=tools/windows/mingw-i686.cmake $(WINDOWS_CONFIG)

$(BUILD)/win64/build.ninja: | setup-windows $(BUILD)/release/build.ninja
	cmake -S . -B $(BUILD)/win64 -DCMAKE_TOOLCHAIN_FILE=tools/windows/mingw-x86_64.cmake $(WINDOWS_CONFIG)

windows: $(BUILD)/win32/build.ninja $(BUILD)/win64/build.ninja release
	cmake --build $(BUILD)/win32 -j $(JOBS)
	cmake --build $(BUILD)/win64 -j $(JOBS)

# The clang libFuzzer build of the "fuzz" preset, with clang installed on demand.
$(BUILD)/fuzz/build.ninja:
	@tools/setup/install_deps.sh fuzz
	cmake --preset fuzz -B $(BUILD)/fuzz

release: $(BUILD)/release/build.ninja
	cmake --build $(BUILD)/release -j $(JOBS)

asan: $(BUILD)/asan/build.ninja release
	cmake --build $(BUILD)/asan -j $(JOBS)

tsan: $(BUILD)/tsan/build.ninja release
	cmake --build $(BUILD)/tsan -j $(JOBS)

# The VST 3 bundle into the user's VST 3 folder, replacing an older copy.
install-vst3: release
	mkdir -p $(HOME)/.vst3
	rm -rf $(HOME)/.vst3/vorn.vst3
	cp -R $(BUILD)/release/vorn.vst3 $(HOME)/.vst3/

# The LV2 plug-in and the factory presets, built by `make release`, into ~/.lv2.
install-lv2: release
	mkdir -p $(HOME)/.lv2
	rm -rf $(HOME)/.lv2/vorn.lv2 $(HOME)/.lv2/vorn-presets.lv2
	cp -r $(BUILD)/release/vorn.lv2 $(BUILD)/release/vorn-presets.lv2 $(HOME)/.lv2/

demo: release
	@tools/demo.sh $(BUILD)/release

test: release asan tsan windows
	ctest --test-dir $(BUILD)/release --output-on-failure -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir $(BUILD)/asan --output-on-failure -j $(JOBS)
	TSAN_OPTIONS=halt_on_error=1 ctest --test-dir $(BUILD)/tsan --output-on-failure -j $(JOBS)
	ctest --test-dir $(BUILD)/win32 --output-on-failure -j $(JOBS)
	ctest --test-dir $(BUILD)/win64 --output-on-failure -j $(JOBS)

bench: release
	@for b in $(BUILD)/release/bench/*; do echo "== $$b"; $$b; done

# Every fuzz target for FUZZ_SECONDS each (default 10 minutes): make fuzz FUZZ_SECONDS=60
fuzz: $(BUILD)/fuzz/build.ninja
	cmake --build $(BUILD)/fuzz -j $(JOBS)
	fuzz/run_all.sh $(BUILD)/fuzz $(FUZZ_SECONDS)

# The long campaign: every target 5 minutes, the readers of files and chunks
# from elsewhere 20, two at a time; corpora kept in build/fuzz/corpus/ and
# minimised into fuzz/seeds/<name>/corpus/ (fuzz/run_long.sh; FUZZ_LONG_SHORT
# and FUZZ_LONG_LONG set the seconds).
fuzz-long: $(BUILD)/fuzz/build.ninja
	cmake --build $(BUILD)/fuzz -j $(JOBS)
	fuzz/run_long.sh $(BUILD)/fuzz

# The soak: one instance under a seeded random schedule in real time, its
# editor open on a private Xvfb display, every block checked; one line a
# minute and a verdict (tools/soak/main.cpp). Not part of make test.
#   make soak SOAK_MINUTES=30 SOAK_SEED=N   (no seed: a new one, printed)
soak: release
	SOAK_MINUTES=$(SOAK_MINUTES) SOAK_SEED=$(SOAK_SEED) $(BUILD)/release/vorn-soak

clean:
	rm -rf $(BUILD)

# Set-up, build and test entry points. `make test` and `make run` do all the
# set-up a fresh Debian machine needs (packages are installed when run as root).
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
JOBS       ?= 2
FUZZ_SECONDS ?= 60

PACKAGES = build-essential cmake pkg-config libgtest-dev libgmock-dev libbenchmark-dev \
           qt6-base-dev libjpeg62-turbo-dev libsqlite3-dev clang libclang-rt-14-dev \
           xvfb xauth fonts-liberation2 libqt6svg6 ccache dbus-daemon desktop-file-utils \
           libedit-dev appstream lintian librsvg2-bin file dpkg-dev man-db \
           python3-icalendar python3-dateutil python3-vobject

.PHONY: deps configure build test test-main test-asan run bench fuzz package clean

deps:
	@sh tools/install-deps.sh $(PACKAGES)

# ccache, when present, makes rebuilds and second build trees cheap.
LAUNCHER = $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(LAUNCHER)

build: configure
	cmake --build $(BUILD) -j$(JOBS)

test-main: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)

# The plain C++ layers again under AddressSanitizer and UBSan, so that an
# out-of-bounds read on a corrupt file fails instead of passing by luck.
test-asan: deps
	cmake -S . -B $(ASAN_BUILD) $(LAUNCHER) -DCMAKE_BUILD_TYPE=Debug -DHOLLIN_GUI=OFF -DHOLLIN_SANITIZE=ON -DHOLLIN_BENCH=OFF
	cmake --build $(ASAN_BUILD) -j$(JOBS)
	cd $(ASAN_BUILD) && ctest --output-on-failure -j$(JOBS)

test: test-main test-asan

run: build
	$(BUILD)/app/hollin

# The Debian package hollin_VERSION_amd64.deb in $(BUILD), checked by lintian
# (an error fails the target; warnings and infos are shown).
package: build
	cd $(BUILD) && cpack -G DEB
	lintian --fail-on error $(BUILD)/hollin_*_amd64.deb

bench: build
	$(BUILD)/bench/larch_bench
	for b in startup_bench photo_move_bench report_bench upcoming_bench calendar_bench; do \
	  if [ -x $(BUILD)/bench/$$b ]; then QT_QPA_PLATFORM=offscreen $(BUILD)/bench/$$b || exit 1; fi; done

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHOLLIN_FUZZ=ON -DHOLLIN_BENCH=OFF
	cmake --build $(FUZZ_BUILD) -j$(JOBS) --target fuzz_targets
	sh fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)

# SPDX-License-Identifier: GPL-3.0-or-later
# Convenience entry points; everything below is plain CMake + CTest.
#   make run     install what is needed, build, start the program
#   make check   install what is needed, build, run every test (normal and sanitizer builds)
#   make package build the Debian package (build/rutomia_<version>_<arch>.deb)

BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
CMAKE_GEN  ?= -G Ninja

.PHONY: setup build build-asan run test test-asan check monkey bench screenshot package clean

setup:
	bash scripts/setup.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo

$(ASAN_BUILD)/build.ninja:
	cmake -S . -B $(ASAN_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DRUTOMIA_SANITIZE=ON

build: $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

build-asan: $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j $(JOBS)

run: setup build
	scripts/run.sh $(BUILD)/app/517

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan: build-asan
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS)

check: setup
	$(MAKE) test
	$(MAKE) test-asan
	$(MAKE) monkey

# Random input on the real program (sanitizer build); longer runs by hand:
#   scripts/monkey.sh 600 517
monkey: build-asan
	scripts/monkey.sh 60 517

bench: build
	cmake --build $(BUILD) --target benchmarks -j $(JOBS)
	scripts/bench.sh $(BUILD)

screenshot: build
	scripts/screenshot.sh

package: setup build
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)

# The screenshots of the Japanese guide (docs/ja/images/), taken afresh.
.PHONY: guide-shots
guide-shots: build
	cmake --build $(BUILD) --target webshot -j $(JOBS)
	scripts/guide_shots.sh

# The two commands of the README, and a few more for developers.
BUILD ?= build
ASAN_BUILD ?= build-asan
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: deps build run test test-fast asan bench package screenshots clean

deps:
	bash scripts/install-deps.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

# Installs what is needed, builds and starts the program.
run: build
	bash scripts/run.sh $(BUILD)

# Installs what is needed, builds and runs every test, then again under the sanitizers.
test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)
	$(MAKE) asan

# The normal build's tests only.
test-fast: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The test suite under AddressSanitizer (with leak checking) and UndefinedBehaviorSanitizer.
asan: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUELMAR_SANITIZE=ON -DQUELMAR_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

bench: build
	bash scripts/bench.sh $(BUILD)

# The Debian package build/quelmar_<version>_amd64.deb.
package: build
	cd $(BUILD) && cpack -G DEB

# Screenshots of the window under Xvfb, into build/screenshots.
screenshots: build
	bash scripts/screenshot.sh $(BUILD) $(BUILD)/screenshots

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)

# The two commands of the README, and a few more for developers.
BUILD ?= build
RELEASE_BUILD ?= build-release
ASAN_BUILD ?= build-asan
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: deps build run test test-fast release asan bench package screenshots format \
  format-check clean
# The test command's builds run one after another, each on every core.
.NOTPARALLEL:

deps:
	bash scripts/install-deps.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

# Installs what is needed, builds and starts the program.
run: build
	bash scripts/run.sh $(BUILD)

# $(call build_and_test,FOLDER,CMAKE OPTIONS,ENVIRONMENT): configures FOLDER with warnings as
# errors, builds it and runs its tests.
define build_and_test
	cmake -S . -B $(1) -G Ninja -DQUELMAR_WERROR=ON $(2) $(CMAKE_FLAGS)
	cmake --build $(1) -j $(JOBS)
	$(3) ctest --test-dir $(1) --output-on-failure -j $(JOBS)
endef

# Installs what is needed, checks the formatting, and builds and runs every test with warnings
# as errors: the default configuration, the Release configuration, then under the sanitizers.
test: deps format-check test-fast release asan

# The default configuration's tests only.
test-fast: deps
	$(call build_and_test,$(BUILD))

# The Release configuration (-O3), as packagers build it.
release: deps
	$(call build_and_test,$(RELEASE_BUILD),-DCMAKE_BUILD_TYPE=Release)

# The test suite under AddressSanitizer (with leak checking) and UndefinedBehaviorSanitizer.
asan: deps
	$(call build_and_test,$(ASAN_BUILD),-DCMAKE_BUILD_TYPE=Debug -DQUELMAR_SANITIZE=ON \
	  -DQUELMAR_BUILD_BENCH=OFF,ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1)

bench: build
	bash scripts/bench.sh $(BUILD)

# The Debian package build/quelmar_<version>_amd64.deb.
package: build
	cd $(BUILD) && cpack -G DEB

# Screenshots of the window under Xvfb, into build/screenshots.
screenshots: build
	bash scripts/screenshot.sh $(BUILD) $(BUILD)/screenshots

# Every C++ file through clang-format (the repository's .clang-format), in place.
format:
	bash scripts/format.sh

# Fails when a C++ file is not formatted, showing what 'make format' would change.
format-check:
	bash scripts/format.sh --check

clean:
	rm -rf $(BUILD) $(RELEASE_BUILD) $(ASAN_BUILD)

# What a new user types: make run, make test, make bench; make package for a Debian package, and
# make fuzz (with clang).
BUILD_RELEASE := build/release
BUILD_ASAN    := build/asan
BUILD_BENCH   := build/bench
BUILD_FUZZ    := build/fuzz
FUZZ_SECONDS  ?= 10
CMAKE_FLAGS   := -G Ninja -Wno-dev
# Rebuilds of a tree (or of a second checkout) reuse what was compiled before, when ccache is there.
CMAKE_FLAGS   += $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

.PHONY: run test bench fuzz deps build clean demo package

deps:
	@scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD_RELEASE) $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTORVANE_TESTS=OFF >/dev/null
	@cmake --build $(BUILD_RELEASE)

run: build
	@mkdir -p run
	@cd run && ../$(BUILD_RELEASE)/torvane

test: deps
	@cmake -S . -B $(BUILD_ASAN) $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=Debug -DTORVANE_SANITIZE=ON >/dev/null
	@cmake --build $(BUILD_ASAN)
	@cd $(BUILD_ASAN) && ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -j2

bench: deps
	@cmake -S . -B $(BUILD_BENCH) $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=Release -DTORVANE_TESTS=OFF -DTORVANE_BENCH=ON >/dev/null
	@cmake --build $(BUILD_BENCH)
	@bench/run-all.sh $(BUILD_BENCH)

# The package goes to build/package/, apart from the build trees (apt install ./build/package/...deb).
package: build
	@cpack -G DEB --config $(BUILD_RELEASE)/CPackConfig.cmake -B build/package
	@rm -rf build/package/_CPack_Packages
	@ls build/package/*.deb

# The fuzz targets need clang's libFuzzer; without clang there is nothing to do.
fuzz:
	@if ! command -v clang++ >/dev/null 2>&1; then echo "make fuzz: clang++ not found, nothing fuzzed"; exit 0; fi; \
	scripts/install-deps.sh fuzz && \
	cmake -S . -B $(BUILD_FUZZ) $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
	      -DTORVANE_SANITIZE=ON -DTORVANE_FUZZ=ON -DTORVANE_TESTS=OFF >/dev/null && \
	cmake --build $(BUILD_FUZZ) --target fuzz_targets && \
	scripts/run-fuzz.sh $(BUILD_FUZZ) $(FUZZ_SECONDS)

demo: build
	@examples/run_demo.sh $(BUILD_RELEASE)

clean:
	rm -rf build

# What a new user types: make run, make test, make bench; make package for a Debian package.
BUILD_RELEASE := build/release
BUILD_ASAN    := build/asan
BUILD_BENCH   := build/bench
CMAKE_FLAGS   := -G Ninja -Wno-dev

.PHONY: run test bench deps build clean demo package

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

demo: build
	@examples/run_demo.sh $(BUILD_RELEASE)

clean:
	rm -rf build

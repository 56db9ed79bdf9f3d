# One entry point: every target first installs what is missing, then builds in build/.
.PHONY: setup build run test check-asan check-tsan fuzz clean

JOBS ?= $(shell nproc)

setup:
	@tools/setup.sh

build: setup
	cmake --preset release >/dev/null
	cmake --build --preset release -j $(JOBS)

# Until the game window exists this starts the engine tool on the initial position.
run: build
	build/bin/velk-checkers-engine report

test: build
	ctest --preset release -j $(JOBS)

check-asan: setup
	cmake --preset asan-ubsan >/dev/null
	cmake --build --preset asan-ubsan -j $(JOBS)
	ctest --preset asan-ubsan -j $(JOBS)

check-tsan: setup
	cmake --preset tsan >/dev/null
	cmake --build --preset tsan -j $(JOBS)
	ctest --preset tsan -j $(JOBS)

clean:
	rm -rf build build-debug build-asan build-tsan build-fuzz

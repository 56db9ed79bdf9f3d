# One entry point: every target first installs what is missing, then builds in build/.
.PHONY: setup build run test package check-asan check-tsan check-install check-desktop fuzz clean

JOBS ?= $(shell nproc)

setup:
	@tools/setup.sh

build: setup
	cmake --preset release >/dev/null
	cmake --build --preset release -j $(JOBS)

run: build
	build/bin/velk-checkers

test: build
	ctest --preset release -j $(JOBS)

# The Debian package of the release build, alone in build/package/.
package: build
	rm -f build/package/*.deb
	cpack --config build/CPackConfig.cmake -B build/package >/dev/null
	@echo "package: $$(realpath build/package/velk-checkers_*.deb)"

check-asan: setup
	cmake --preset asan-ubsan >/dev/null
	cmake --build --preset asan-ubsan -j $(JOBS)
	ctest --preset asan-ubsan -j $(JOBS)

# Only the programs whose tests carry the "thread" label are built with ThreadSanitizer.
THREAD_TESTS = solver_tests expert_thread_tests session_tests control_tests view_tests app_tests

check-tsan: setup
	cmake --preset tsan >/dev/null
	cmake --build --preset tsan -j $(JOBS) --target $(THREAD_TESTS)
	ctest --preset tsan -j $(JOBS)

# The game file fuzzer and the PDN reader's, each for FUZZ_TIME seconds on a scratch copy of its
# seed corpus; any crash, leak or slow input fails, and the input that caused it is left in
# build-fuzz/.
FUZZ_TIME ?= 30
fuzz: setup
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz --target game_stream_fuzz pdn_fuzz -j $(JOBS)
	rm -rf tests/fuzz/corpus-work && cp -r tests/fuzz/corpus tests/fuzz/corpus-work
	build-fuzz/bin/game_stream_fuzz -max_total_time=$(FUZZ_TIME) -timeout=10 -print_final_stats=1 \
	  -artifact_prefix=build-fuzz/ tests/fuzz/corpus-work
	rm -rf tests/fuzz/pdn-corpus-work && cp -r tests/fuzz/pdn-corpus tests/fuzz/pdn-corpus-work
	build-fuzz/bin/pdn_fuzz -max_total_time=$(FUZZ_TIME) -timeout=10 -print_final_stats=1 \
	  -artifact_prefix=build-fuzz/ tests/fuzz/pdn-corpus-work

# Installs into a scratch prefix and checks the desktop files the way distributions do, then
# checks the Debian package (tools/check-package.sh).
check-install: package
	rm -rf build/install-check
	cmake --install build --prefix $(CURDIR)/build/install-check >/dev/null
	desktop-file-validate build/install-check/share/applications/*.desktop
	appstreamcli validate --no-net build/install-check/share/metainfo/*.metainfo.xml
	test -x build/install-check/bin/velk-checkers && test -x build/install-check/bin/velk-checkers-engine
	test -f build/install-check/share/man/man6/velk-checkers.6.gz && test -f build/install-check/share/man/man6/velk-checkers-engine.6.gz
	@# The name the program gives the desktop must be the desktop file's, the icon's and the
	@# AppStream id, or docks cannot match the window to its launcher.
	@id=$$(sed -n 's/^#define VELK_APP_ID "\(.*\)"/\1/p' build/app/Version.h); share=build/install-check/share; \
	test -n "$$id" || { echo "check-install: no application id in build/app/Version.h"; exit 1; }; \
	test -f $$share/applications/$$id.desktop || { echo "check-install: no $$id.desktop"; exit 1; }; \
	grep -qx "Icon=$$id" $$share/applications/$$id.desktop || { echo "check-install: the desktop file's icon is not $$id"; exit 1; }; \
	grep -q "<id>$$id</id>" $$share/metainfo/$$id.metainfo.xml || { echo "check-install: the AppStream id is not $$id"; exit 1; }; \
	grep -q ">$$id.desktop</launchable>" $$share/metainfo/$$id.metainfo.xml || { echo "check-install: AppStream launches another desktop file"; exit 1; }; \
	ls $$share/icons/hicolor/*/apps/$$id.png $$share/icons/hicolor/scalable/apps/$$id.svg >/dev/null || { echo "check-install: icons not named $$id"; exit 1; }; \
	for type in $$(sed -n 's/^MimeType=//p' $$share/applications/$$id.desktop | tr ';' ' '); do \
	  grep -q "type=\"$$type\"" $$share/mime/packages/$$id.xml || { echo "check-install: $$type is opened but not declared"; exit 1; }; \
	done
	tools/check-package.sh

# The program on a real X server with a window manager: titles, the window's place over several
# runs, the About box and its link (tools/check-desktop.sh).
check-desktop: build
	tools/check-desktop.sh build/bin/velk-checkers

clean:
	rm -rf build build-debug build-asan build-tsan build-fuzz

BUILD ?= build
ASAN_BUILD ?= build-asan
# Unity builds: each library compiles as a few large files, which halves the build time.
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOSTREVAN_WERROR=ON -DCMAKE_UNITY_BUILD=ON
ASAN_FLAGS ?= -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-O0 -DOSTREVAN_WERROR=ON \
	-DOSTREVAN_SANITIZE=ON -DOSTREVAN_BUILD_BENCH=OFF -DCMAKE_UNITY_BUILD=ON
SOURCES = $(shell git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h')

.PHONY: run test build deps configure clean format-check sanitize package

# Only the program and the files it reads: the tests and benchmarks wait for `make test`.
run: configure
	cmake --build $(BUILD) --target ostrevan ostrevan_data
	$(BUILD)/app/ostrevan

# Formatting, the whole suite, then the whole suite again under the sanitizers.
test: format-check build
	cd $(BUILD) && ctest --output-on-failure -j2
	$(MAKE) sanitize

build: configure
	cmake --build $(BUILD)

configure: deps
	@[ -f $(BUILD)/build.ninja ] || cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

format-check: deps
	clang-format --dry-run -Werror $(SOURCES)

# Leaks are not checked: Qt and fontconfig keep caches for the life of the process.
sanitize: deps
	@[ -f $(ASAN_BUILD)/build.ninja ] || cmake -S . -B $(ASAN_BUILD) -G Ninja $(ASAN_FLAGS)
	cmake --build $(ASAN_BUILD)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 \
		UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j2

# The Debian package (RELEASE_BUILD/ostrevan_<version>_<arch>.deb): a Release build of the
# program alone, with Debian's hardening flags, installed under /usr; CPack strips it.
RELEASE_BUILD ?= build-release
BUILDFLAGS = DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get
package: deps
	cmake -S . -B $(RELEASE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
		-DOSTREVAN_BUILD_TESTS=OFF -DOSTREVAN_BUILD_BENCH=OFF -DOSTREVAN_WERROR=OFF \
		"-DCMAKE_CXX_FLAGS=$$($(BUILDFLAGS) CPPFLAGS) $$($(BUILDFLAGS) CXXFLAGS)" \
		"-DCMAKE_EXE_LINKER_FLAGS=$$($(BUILDFLAGS) LDFLAGS)"
	cmake --build $(RELEASE_BUILD)
	cd $(RELEASE_BUILD) && cpack -G DEB

deps:
	scripts/install-deps

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(RELEASE_BUILD)

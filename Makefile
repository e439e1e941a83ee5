BUILD ?= build
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: run test build deps configure clean

run: build
	$(BUILD)/app/ostrevan

test: build
	cd $(BUILD) && ctest --output-on-failure -j2

build: configure
	cmake --build $(BUILD)

configure: deps
	@[ -f $(BUILD)/build.ninja ] || cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

deps:
	scripts/install-deps

clean:
	rm -rf $(BUILD)

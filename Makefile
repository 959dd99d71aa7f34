# The front door: `make` builds the plug-in, `make test` runs every test.
BUILD := build
JOBS ?= $(shell nproc)

.PHONY: all bench dist dll demo fuzz images test setup setup-test setup-demo clean format

all: dll

setup:
	@scripts/setup.sh

setup-test:
	@scripts/setup.sh test

setup-demo:
	@scripts/setup.sh demo

dll: setup
	cmake -S . -B $(BUILD)/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
		-DCMAKE_BUILD_TYPE=Release -DQUORVIN_WERROR=ON
	cmake --build $(BUILD)/win32 -j $(JOBS) --target Quorvin
	mkdir -p dist
	cp $(BUILD)/win32/Quorvin.dll dist/Quorvin.dll
	@echo "Built dist/Quorvin.dll"

# The release: dist/Quorvin-<version>.zip.
dist: setup-test dll
	scripts/make-dist.sh $(CURDIR) $(CURDIR)/dist/Quorvin.dll $(CURDIR)/dist

demo: setup-demo dll
	cmake --build $(BUILD)/win32 -j $(JOBS) --target QuorvinEditor
	demo/run-demo.sh $(CURDIR)/$(BUILD) $(CURDIR)/$(BUILD)/win32 $(CURDIR)/dist/Quorvin.dll

test: setup-test dll
	cmake --build $(BUILD)/win32 -j $(JOBS)
	cmake -S . -B $(BUILD)/native -DCMAKE_BUILD_TYPE=Debug -DQUORVIN_WERROR=ON \
		-DCMAKE_CXX_COMPILER=clang++ -DQUORVIN_FUZZ_SECONDS=5 \
		-DQUORVIN_DLL=$(CURDIR)/dist/Quorvin.dll -DQUORVIN_WIN32_BUILD=$(CURDIR)/$(BUILD)/win32 \
		-DQUORVIN_WINE_STATE=$(CURDIR)/$(BUILD)/wine
	cmake --build $(BUILD)/native -j $(JOBS)
	cd $(BUILD)/native && ctest --output-on-failure -j $(JOBS)

# Times the plug-in's command against the least work any implementation must do.
bench: setup-test dll
	cmake --build $(BUILD)/win32 -j $(JOBS) --target MenuBench
	bench/run-bench.sh $(CURDIR)/$(BUILD) $(CURDIR)/$(BUILD)/win32 $(CURDIR)/dist/Quorvin.dll

# Runs each fuzz target for FUZZ_SECONDS (default 60).
FUZZ_SECONDS ?= 60
fuzz: setup-test
	cmake -S . -B $(BUILD)/native -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
		-DQUORVIN_FUZZ_SECONDS=$(FUZZ_SECONDS)
	cmake --build $(BUILD)/native -j $(JOBS) --target FuzzNames FuzzSettings FuzzMenu
	cd $(BUILD)/native && ctest --output-on-failure -R '^fuzz\.'

# Redraws the toolbar images from tools/MakeToolbarImages.cpp.
images: setup-test
	cmake -S . -B $(BUILD)/native -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++
	cmake --build $(BUILD)/native --target make_toolbar_images
	$(BUILD)/native/tests/make_toolbar_images resources/bitmaps

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) dist

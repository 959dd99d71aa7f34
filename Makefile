# The front door: `make` builds the plug-in, `make test` runs every test.
BUILD := build
JOBS ?= $(shell nproc)

.PHONY: all bench dist dll demo fuzz images test setup setup-test setup-demo setup-dist setup-format \
	clean format

all: dll

setup:
	@scripts/setup.sh

setup-test:
	@scripts/setup.sh test

setup-demo:
	@scripts/setup.sh demo

setup-dist:
	@scripts/setup.sh dist

setup-format:
	@scripts/setup.sh format

# Both DLLs from the same sources: build/win32 (i686) and build/win64 (x86_64).
dll: setup
	cmake --no-warn-unused-cli -S . -B $(BUILD)/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
		-DCMAKE_BUILD_TYPE=Release -DQUORVIN_WERROR=ON
	cmake --build $(BUILD)/win32 -j $(JOBS) --target Quorvin
	cmake --no-warn-unused-cli -S . -B $(BUILD)/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
		-DCMAKE_BUILD_TYPE=Release -DQUORVIN_WERROR=ON
	cmake --build $(BUILD)/win64 -j $(JOBS) --target Quorvin
	mkdir -p dist/x64
	cp $(BUILD)/win32/Quorvin.dll dist/Quorvin.dll
	cp $(BUILD)/win64/Quorvin.dll dist/x64/Quorvin.dll
	@echo "Built dist/Quorvin.dll (32-bit) and dist/x64/Quorvin.dll (64-bit)"

# The release: dist/Quorvin-<version>.zip and its SHA-256 beside it.
dist: setup-dist dll
	scripts/make-dist.sh $(CURDIR) $(CURDIR)/dist/Quorvin.dll $(CURDIR)/dist/x64/Quorvin.dll \
		$(CURDIR)/dist

# The 64-bit editor is the one people have; ARCH=x86 shows the 32-bit DLL.
# SETTINGS=ini: the editor keeps its settings in INI files, as a portable one.
# UI=en: the editor's interface, and with it the plug-in's texts, in English.
ARCH ?= x64
SETTINGS ?= registry
UI ?= ja
DEMO_BUILD := $(if $(filter x86,$(ARCH)),win32,win64)
DEMO_DLL := $(if $(filter x86,$(ARCH)),dist/Quorvin.dll,dist/x64/Quorvin.dll)
demo: setup-demo dll
	cmake --build $(BUILD)/$(DEMO_BUILD) -j $(JOBS) --target QuorvinEditor
	QUORVIN_DEMO_SETTINGS=$(SETTINGS) QUORVIN_DEMO_UI=$(UI) demo/run-demo.sh $(CURDIR)/$(BUILD) $(CURDIR)/$(BUILD)/$(DEMO_BUILD) $(CURDIR)/$(DEMO_DLL) $(ARCH)

test: setup-test dll
	cmake --build $(BUILD)/win32 -j $(JOBS)
	cmake --build $(BUILD)/win64 -j $(JOBS)
	cmake -S . -B $(BUILD)/native -DCMAKE_BUILD_TYPE=Debug -DQUORVIN_WERROR=ON \
		-DCMAKE_CXX_COMPILER=clang++ -DQUORVIN_FUZZ_SECONDS=5 \
		-DQUORVIN_DLL=$(CURDIR)/dist/Quorvin.dll -DQUORVIN_WIN32_BUILD=$(CURDIR)/$(BUILD)/win32 \
		-DQUORVIN_DLL64=$(CURDIR)/dist/x64/Quorvin.dll \
		-DQUORVIN_WIN64_BUILD=$(CURDIR)/$(BUILD)/win64 \
		-DQUORVIN_WINE_STATE=$(CURDIR)/$(BUILD)/wine
	cmake --build $(BUILD)/native -j $(JOBS)
	cd $(BUILD)/native && rm -f ctest-results.xml && \
		{ ctest --output-on-failure -j $(JOBS) --output-junit ctest-results.xml; status=$$?; \
		  /usr/bin/python3 $(CURDIR)/scripts/e2e-summary.py ctest-results.xml; exit $$status; }

# Times the plug-in's command against the least work any implementation must
# do, for both DLLs.
bench: setup-test dll
	cmake --build $(BUILD)/win32 -j $(JOBS) --target MenuBench
	cmake --build $(BUILD)/win64 -j $(JOBS) --target MenuBench
	bench/run-bench.sh $(CURDIR)/$(BUILD) \
		x86 $(CURDIR)/$(BUILD)/win32 $(CURDIR)/dist/Quorvin.dll \
		x64 $(CURDIR)/$(BUILD)/win64 $(CURDIR)/dist/x64/Quorvin.dll

# Runs each fuzz target for FUZZ_SECONDS (default 60).
FUZZ_SECONDS ?= 60
fuzz: setup-test
	cmake -S . -B $(BUILD)/native -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
		-DQUORVIN_FUZZ_SECONDS=$(FUZZ_SECONDS)
	cmake --build $(BUILD)/native -j $(JOBS) --target FuzzNames FuzzSettings FuzzMenu FuzzJournal \
		FuzzEditorReplies
	cd $(BUILD)/native && ctest --output-on-failure -R '^fuzz\.'

# Redraws the toolbar images from tools/MakeToolbarImages.cpp.
images: setup-test
	cmake -S . -B $(BUILD)/native -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++
	cmake --build $(BUILD)/native --target make_toolbar_images
	$(BUILD)/native/tests/make_toolbar_images resources/bitmaps

format: setup-format
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) dist

# A thin wrapper over CMake. `make test` and `make run` do all set-up on a fresh Debian 12.
BUILD ?= build
JOBS ?= $(shell nproc)
HOST ?=
PORT ?=

.PHONY: all deps configure build build-run test bench run package clean

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# Only what `make run` starts: the program and the demo world, not every test and benchmark.
build-run: configure
	@cmake --build $(BUILD) -j $(JOBS) --target brumble demoworld

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

bench: build
	@for b in $(BUILD)/bench/*; do [ -x "$$b" ] && [ -f "$$b" ] && "$$b"; done

# Starts the demo world on 127.0.0.1 and opens a connection window to it, or to HOST/PORT
# when given (make run HOST=mud.example.org PORT=4000).
run: build-run
	@bash scripts/run.sh "$(BUILD)" "$(HOST)" "$(PORT)"

# A Debian package of the program, its help pages, icons, manual pages and the demo world:
# $(BUILD)/brumble_<version>_<arch>.deb.
package: configure
	@cmake --build $(BUILD) -j $(JOBS) --target brumble brumble-demoworld brumble_install_files
	@cd $(BUILD) && cpack -G DEB

clean:
	@rm -rf $(BUILD)

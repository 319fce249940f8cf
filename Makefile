# Thin front over CMake: `make run`, `make test`, `make bench`, `make screens`.
BUILD   ?= build
JOBS    ?= $(shell nproc)
CONFIG   = cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
COMPILE  = cmake --build $(BUILD) -j $(JOBS)

.PHONY: deps build run test bench screens clean

deps:
	@bash scripts/install-deps.sh

build: deps
	@$(CONFIG) >/dev/null
	@$(COMPILE)

run: build
	./$(BUILD)/zt30-sim

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench: build
	./$(BUILD)/zt30_bench

# The gallery of every page view and SETUP screen in docs/screens, with its contact sheet.
screens: build
	bash tools/gallery.sh $(BUILD) docs/screens

clean:
	rm -rf $(BUILD)

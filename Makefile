# Thin front over CMake; `make help` lists the targets. Each target first installs the Debian packages it
# needs and are missing (scripts/install-deps.sh).
BUILD  ?= build
JOBS   ?= $(shell nproc 2>/dev/null || echo 2)
PREFIX ?= /usr/local

MAKEFLAGS += --no-print-directory
DEPS       = bash scripts/install-deps.sh
# Configuring again each time finds packages installed since; its chatter is left out, errors are not.
CONFIGURE  = cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null
COMPILE    = cmake --build $(BUILD) -j $(JOBS)

.PHONY: build run test bench soak install screens help clean
.DEFAULT_GOAL := build

build:
	@$(DEPS) build
	@$(CONFIGURE)
	@$(COMPILE) --target zt30-sim zt30-headless

run: build
	@./$(BUILD)/zt30-sim

test:
	@$(DEPS) test
	@$(CONFIGURE)
	@$(COMPILE)
	@cd $(BUILD) && ctest --output-on-failure --progress -j $(JOBS)

bench:
	@$(DEPS) bench
	@$(CONFIGURE)
	@$(COMPILE) --target zt30_bench
	@./$(BUILD)/zt30_bench

# 24 simulated hours of random use under AddressSanitizer and UBSan, optimised so that it takes minutes;
# SOAK_ARGS adds options (--seed N to repeat a run, --duration 2h). A failure leaves its replay script here.
SOAK_BUILD ?= build-soak
SOAK_ARGS  ?=
soak:
	@$(DEPS) build
	@cmake -S . -B $(SOAK_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZT30_SANITIZE=ON >/dev/null
	@cmake --build $(SOAK_BUILD) -j $(JOBS) --target zt30-soak zt30-headless
	@ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	    ./$(SOAK_BUILD)/zt30-soak --duration 24h $(SOAK_ARGS)

# PREFIX reaches the shell through the environment, so blanks and quotes in it are safe; a relative one
# is taken from here and ~ from the home folder (the desktop entry names the program by its full path).
install: export ZT30_PREFIX = $(PREFIX)
install: build
	@case "$$ZT30_PREFIX" in \
	    "") echo "make install: PREFIX is empty" >&2; exit 2 ;; \
	    /*) prefix=$$ZT30_PREFIX ;; \
	    "~" | "~/"*) prefix=$$HOME$${ZT30_PREFIX#"~"} ;; \
	    *) prefix=$$(pwd)/$$ZT30_PREFIX ;; \
	esac; \
	cmake --install $(BUILD) --prefix "$$prefix"

help:
	@echo "make            build the simulator (zt30-sim) and the headless runner (zt30-headless) in $(BUILD)/"
	@echo "make run        build, then open the simulator"
	@echo "make test       build everything and run the whole test suite"
	@echo "make bench      build and run the benchmarks"
	@echo "make soak       24 simulated hours of random use under the sanitizers, every invariant checked"
	@echo "                (SOAK_ARGS=\"--seed N\" repeats a run; a failure writes soak-failure-SEED.zts)"
	@echo "make install    install the two programs, a desktop entry and the icon under PREFIX"
	@echo "                (now $(PREFIX); e.g. make install PREFIX=~/.local)"
	@echo "make screens    render every page view and SETUP screen into docs/screens/"
	@echo "make clean      remove $(BUILD)/ and $(SOAK_BUILD)/"
	@echo "Each target first installs the Debian packages it needs that are missing (apt-get, with sudo"
	@echo "when not root). Variables: BUILD=$(BUILD) JOBS=$(JOBS) PREFIX=$(PREFIX)."

# The gallery of every page view and SETUP screen in docs/screens, with its contact sheet.
screens: build
	@$(COMPILE) --target zt30-sheetgen
	@bash tools/gallery.sh $(BUILD) docs/screens

clean:
	rm -rf $(BUILD) $(SOAK_BUILD)

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

.PHONY: build run test bench soak install package screens help clean web web-serve test-web
.DEFAULT_GOAL := build

# The programs, their manual pages and what else `make install` installs (not the tests and tools).
build:
	@$(DEPS) build
	@$(CONFIGURE)
	@$(COMPILE) --target zt30-installable

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

# The browser page: index.html, zt30.js and zt30.wasm in $(WEB_BUILD)/site/, built with Debian's em++.
# Debian's em++ runs its JavaScript tools with the first node on PATH; one that is not Debian's own does
# not see Debian's acorn, so it is pointed there.
WEB_BUILD ?= build-web
WEB_PORT  ?= 8030
WEB_ENV    = $(shell node -e "require('acorn')" >/dev/null 2>&1 || \
               { [ -d /usr/share/nodejs/acorn ] && echo NODE_PATH=/usr/share/nodejs$${NODE_PATH:+:$$NODE_PATH}; })
web:
	@$(DEPS) web
	@env $(WEB_ENV) emcmake cmake -S . -B $(WEB_BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@env $(WEB_ENV) cmake --build $(WEB_BUILD) -j $(JOBS)
	@cd $(WEB_BUILD)/site && echo "zt30: the page is in $(WEB_BUILD)/site/: html + js + wasm $$(cat index.html zt30.js zt30.wasm | wc -c) bytes"

web-serve: web
	@node src/web/serve.mjs $(WEB_BUILD)/site $(WEB_PORT)

# The page in headless Chromium, against zt30-headless for the identity of every frame.
test-web: web
	@$(DEPS) web-test
	@$(CONFIGURE)
	@$(COMPILE) --target zt30-headless
	@ZT30_SITE=$(WEB_BUILD)/site ZT30_HEADLESS=$(BUILD)/zt30-headless node --test --test-reporter=spec tests/web/web.test.mjs

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

# The Debian package $(BUILD)/zt30-sim_VERSION_ARCH.deb, then lintian's report on it: an error fails.
package:
	@$(DEPS) package
	@$(CONFIGURE)
	@$(COMPILE) --target zt30-installable
	@rm -f $(BUILD)/zt30-sim_*.deb
	@cd $(BUILD) && cpack -G DEB
	@lintian --fail-on error $(BUILD)/zt30-sim_*.deb

help:
	@echo "make            build the simulator (zt30-sim), the headless runner (zt30-headless), the soak"
	@echo "                (zt30-soak) and their manual pages in $(BUILD)/"
	@echo "make run        build, then open the simulator"
	@echo "make test       build everything and run the whole test suite"
	@echo "make bench      build and run the benchmarks"
	@echo "make soak       24 simulated hours of random use under the sanitizers, every invariant checked"
	@echo "                (SOAK_ARGS=\"--seed N\" repeats a run; a failure writes soak-failure-SEED.zts)"
	@echo "make install    install the programs, manual pages, bash completion, desktop entry and icons"
	@echo "                under PREFIX (now $(PREFIX); e.g. make install PREFIX=~/.local)"
	@echo "make package    build the Debian package $(BUILD)/zt30-sim_VERSION_ARCH.deb, check it with lintian"
	@echo "make screens    render every page view and SETUP screen into docs/screens/"
	@echo "make web        build the browser page into $(WEB_BUILD)/site/ (em++)"
	@echo "make web-serve  build it and serve it on http://127.0.0.1:$(WEB_PORT)/ (WEB_PORT=0: any free port)"
	@echo "make test-web   build it and run the browser tests in headless Chromium"
	@echo "make clean      remove $(BUILD)/, $(SOAK_BUILD)/ and $(WEB_BUILD)/"
	@echo "Each target first installs the Debian packages it needs that are missing (apt-get, with sudo"
	@echo "when not root). Variables: BUILD=$(BUILD) JOBS=$(JOBS) PREFIX=$(PREFIX)."

# The gallery of every page view and SETUP screen in docs/screens, with its contact sheet.
screens: build
	@$(COMPILE) --target zt30-sheetgen
	@bash tools/gallery.sh $(BUILD) docs/screens

clean:
	rm -rf $(BUILD) $(SOAK_BUILD) $(WEB_BUILD)

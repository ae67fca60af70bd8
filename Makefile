# The two commands of a fresh Debian 12 machine:
#   make run    installs what is missing, builds, and starts Korvane
#   make test   installs what is missing, builds, and runs every test
# Also: make test-sanitize (the suite under AddressSanitizer + UndefinedBehaviorSanitizer),
#       make bench (prints the benchmark figures).

BUILD      ?= build
SAN_BUILD  ?= build-sanitize
WERROR     := $(if $(CI),ON,OFF)
CTEST_ARGS ?= --output-on-failure

.PHONY: all setup build run test test-sanitize bench clean

all: build

setup:
	bash scripts/setup.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_WERROR=$(WERROR)

build: setup $(BUILD)/build.ninja
	cmake --build $(BUILD)

run: build
	$(BUILD)/bin/korvane

test: build
	cd $(BUILD) && ctest $(CTEST_ARGS)

$(SAN_BUILD)/build.ninja:
	cmake -S . -B $(SAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKORVANE_SANITIZE=ON \
	  -DKORVANE_BENCH=OFF -DKORVANE_WERROR=$(WERROR)

test-sanitize: setup $(SAN_BUILD)/build.ninja
	cmake --build $(SAN_BUILD)
	cd $(SAN_BUILD) && \
	  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest $(CTEST_ARGS)

bench: build
	bash bench/run.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(SAN_BUILD)

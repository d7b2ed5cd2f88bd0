# Orlisk: `make run` builds and starts the program, `make test` builds and runs the
# tests. Both install the Debian packages they need first (scripts/deps.sh).
# `make fuzz SECONDS=60` builds the fuzz harnesses in build-fuzz/ and runs each for
# that long; `make fuzz-coverage` then measures the line coverage of their corpora.

BUILD ?= build
JOBS ?= $(shell nproc)
WERROR ?= OFF
ARGS ?=
SECONDS ?= 60

.PHONY: all deps configure build run test bench clean

all: build

deps:
	./scripts/deps.sh

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORLISK_WERROR=$(WERROR)

build: configure
	cmake --build $(BUILD) -j$(JOBS)

# The program alone (its libraries and language files), not the test programs.
run: configure
	cmake --build $(BUILD) -j$(JOBS) --target orlisk
	$(BUILD)/orlisk/orlisk $(ARGS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

bench: build
	ORLISK=$(BUILD)/orlisk/orlisk ./bench/run.sh

clean:
	rm -rf $(BUILD)

.PHONY: fuzz fuzz-coverage

fuzz: deps
	JOBS=$(JOBS) ./scripts/fuzz.sh $(SECONDS)

fuzz-coverage: deps
	JOBS=$(JOBS) ./scripts/fuzz-coverage.sh

# Orlisk: `make run` builds and starts the program, `make test` builds and runs the
# tests, `make bench` times the program against its peers. Each first installs the
# Debian packages it needs, and only those (scripts/deps.sh run|test|bench|fuzz).
# `make fuzz SECONDS=60` builds the fuzz harnesses in build-fuzz/ and runs each for
# that long; `make fuzz-coverage` then measures the line coverage of their corpora.

BUILD ?= build
JOBS ?= $(shell nproc)
WERROR ?= OFF
ARGS ?=
SECONDS ?= 60

# The packages of one use, then the build folder configured with or without the tests.
define configure
	./scripts/deps.sh $(1)
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORLISK_WERROR=$(WERROR) \
	  -DORLISK_TESTS=$(2)
endef

.PHONY: all build run test bench clean fuzz fuzz-coverage

all: build

# Everything: the program, the tests and the benchmarks' drivers.
build:
	$(call configure,test,ON)
	cmake --build $(BUILD) -j$(JOBS)

# The program alone (its libraries and language files), not the test programs.
run:
	$(call configure,run,OFF)
	cmake --build $(BUILD) -j$(JOBS) --target orlisk
	$(BUILD)/orlisk/orlisk $(ARGS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

bench:
	$(call configure,bench,ON)
	cmake --build $(BUILD) -j$(JOBS)
	ORLISK=$(BUILD)/orlisk/orlisk ./bench/run.sh

clean:
	rm -rf $(BUILD)

fuzz:
	./scripts/deps.sh fuzz
	JOBS=$(JOBS) ./scripts/fuzz.sh $(SECONDS)

fuzz-coverage:
	./scripts/deps.sh fuzz
	JOBS=$(JOBS) ./scripts/fuzz-coverage.sh

# make run   - install what is missing, build, start the console
# make test  - install what is missing, build, run every test (plain with gcc, sanitized with clang, every fuzz target briefly)
# make bench - build and run the benchmarks
# make fuzz  - fuzz the statement compiler, masks, keyed files (both formats), the program loader, library members, C-ISAM pairs, BBx keyed files, the debug-link commands, journal files, received TCP bytes, the PDF writer's pictures and graphic mnemonics, the TrueType reader of libhzef.so and its checks of pictures and fonts in front of libHaru (clang)
JOBS ?= $(shell nproc)
BUILD ?= build
ASAN_BUILD ?= build-asan
PGO ?= 1
PGO_BUILD ?= build-pgo

.PHONY: all run test bench fuzz deps build build-asan clean

# Only what a user needs to see: no directory messages of the nested makes
# (cmake --build runs make inside make), no "Built target" lines.
MAKEFLAGS += --no-print-directory
QUIET_CMAKE = -DCMAKE_TARGET_MESSAGES=OFF -Wno-dev

all: build

deps:
	@scripts/install-deps

# The interpreter is built from a profile (PGO=0: without one): first an
# instrumented oru in $(PGO_BUILD) runs the training programs
# (scripts/pgo-train), then $(BUILD) is compiled from the profile they
# left.  A changed source is compiled again in both.
build: deps
ifeq ($(PGO),0)
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORU_PGO= $(QUIET_CMAKE) >/dev/null
else
	@cmake -S . -B $(PGO_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORU_PGO=generate $(QUIET_CMAKE) >/dev/null
	@cmake --build $(PGO_BUILD) -j $(JOBS) --target oru
	@scripts/pgo-train $(PGO_BUILD)
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORU_PGO=use \
	  -DORU_PGO_DIR=$(CURDIR)/$(PGO_BUILD)/profile $(QUIET_CMAKE) >/dev/null
endif
	@cmake --build $(BUILD) -j $(JOBS)

# The sanitizer build is made with clang (the plain one with gcc), and builds
# the fuzz targets too: `make test` runs each briefly on its corpus.  Its
# tests run with a 64 MB stack: clang's sanitized frames are several times
# the size of the plain build's, and a chain of 1,000 nested method calls
# (the deepest a program may go) needs more than the usual 8 MB.
build-asan: deps
	@cmake -S . -B $(ASAN_BUILD) -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
	  -DORU_SANITIZE=ON $(QUIET_CMAKE) >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)

run: build
	@ORULIB=$(CURDIR)/$(BUILD)/lib $(BUILD)/oru

test: build build-asan
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	@cd $(ASAN_BUILD) && { ulimit -s 65536 2>/dev/null || true; } && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j $(JOBS)

bench: build
	@bench/run.sh $(BUILD)

# Every fuzz target runs FUZZ_TIME seconds (10 minutes by default), FUZZ_JOBS
# at once (tests/fuzz/run_all.sh); logs and failing inputs go to build-fuzz/
# (keep a failing input under tests/fuzz/regressions*), a summary ends the run
# and the exit status is non-zero when any target found a fault.
# FUZZ_TARGETS="compile mask" runs only those.
FUZZ_TIME ?= 600
FUZZ_JOBS ?= 4
FUZZ_TARGETS ?=
FUZZ_ALL = compile mask keyed loader eff dict library vardata classdef cisam bbx debug journal tcp tcframe pdf ttf hzef
fuzz: deps
	@cmake -S . -B build-fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DORU_FUZZ=ON $(QUIET_CMAKE) >/dev/null
	@cmake --build build-fuzz -j $(JOBS) --target $(addprefix fuzz_,$(or $(FUZZ_TARGETS),$(FUZZ_ALL)))
	@FUZZ_TIME=$(FUZZ_TIME) FUZZ_JOBS=$(FUZZ_JOBS) FUZZ_TARGETS="$(FUZZ_TARGETS)" tests/fuzz/run_all.sh

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(PGO_BUILD) build-fuzz

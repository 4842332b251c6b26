# make run   - install what is missing, build, start the console
# make test  - install what is missing, build, run every test (plain and sanitized)
# make bench - build and run the benchmarks
# make fuzz  - fuzz the statement compiler, masks, keyed files (both formats), the program loader, library members, C-ISAM pairs, BBx keyed files, the debug-link commands, journal files, received TCP bytes, the PDF writer's pictures and graphic mnemonics and the TrueType reader of libhzef.so (clang)
JOBS ?= $(shell nproc)
BUILD ?= build
ASAN_BUILD ?= build-asan

.PHONY: all run test bench fuzz deps build build-asan clean

# Only what a user needs to see: no directory messages of the nested makes
# (cmake --build runs make inside make), no "Built target" lines.
MAKEFLAGS += --no-print-directory
QUIET_CMAKE = -DCMAKE_TARGET_MESSAGES=OFF -Wno-dev

all: build

deps:
	@scripts/install-deps

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(QUIET_CMAKE) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

build-asan: deps
	@cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DORU_SANITIZE=ON $(QUIET_CMAKE) >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)

run: build
	@ORULIB=$(CURDIR)/$(BUILD)/lib $(BUILD)/oru

test: build build-asan
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	@cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j $(JOBS)

bench: build
	@bench/run.sh $(BUILD)

# Each target runs FUZZ_TIME seconds (10 minutes by default), one after the
# other; a crash stops the run and leaves the input in build-fuzz/ (keep it
# under tests/fuzz/regressions*).
FUZZ_TIME ?= 600
fuzz: deps
	@cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORU_FUZZ=ON >/dev/null
	@cmake --build build-fuzz -j $(JOBS) --target fuzz_compile fuzz_mask fuzz_keyed fuzz_eff fuzz_dict fuzz_loader fuzz_library fuzz_vardata fuzz_cisam fuzz_bbx fuzz_classdef fuzz_debug fuzz_journal fuzz_tcp fuzz_tcframe fuzz_pdf fuzz_ttf
	@mkdir -p build-fuzz/corpus build-fuzz/corpus_mask build-fuzz/corpus_keyed build-fuzz/corpus_eff build-fuzz/corpus_dict build-fuzz/corpus_loader build-fuzz/corpus_library build-fuzz/corpus_vardata build-fuzz/corpus_cisam build-fuzz/corpus_bbx build-fuzz/corpus_classdef build-fuzz/corpus_debug build-fuzz/corpus_journal build-fuzz/corpus_tcp build-fuzz/corpus_pdf build-fuzz/corpus_ttf
	@ORULIB=$(CURDIR)/build-fuzz/lib build-fuzz/fuzz_compile -max_total_time=$(FUZZ_TIME) -artifact_prefix=build-fuzz/compile- build-fuzz/corpus tests/fuzz/corpus tests/fuzz/regressions
	@ORULIB=$(CURDIR)/build-fuzz/lib build-fuzz/fuzz_mask -max_total_time=$(FUZZ_TIME) -artifact_prefix=build-fuzz/mask- build-fuzz/corpus_mask tests/fuzz/corpus_mask tests/fuzz/regressions_mask
	@build-fuzz/fuzz_keyed -max_total_time=$(FUZZ_TIME) -max_len=65536 -artifact_prefix=build-fuzz/keyed- build-fuzz/corpus_keyed tests/fuzz/corpus_keyed tests/fuzz/regressions_keyed
	@build-fuzz/fuzz_eff -max_total_time=$(FUZZ_TIME) -max_len=65536 -artifact_prefix=build-fuzz/eff- build-fuzz/corpus_eff tests/fuzz/corpus_eff tests/fuzz/regressions_eff
	@build-fuzz/fuzz_dict -max_total_time=$(FUZZ_TIME) -max_len=65536 -artifact_prefix=build-fuzz/dict- build-fuzz/corpus_dict tests/fuzz/corpus_dict tests/fuzz/regressions_dict
	@ORULIB=$(CURDIR)/build-fuzz/lib build-fuzz/fuzz_loader -max_total_time=$(FUZZ_TIME) -max_len=65536 -artifact_prefix=build-fuzz/loader- build-fuzz/corpus_loader tests/fuzz/corpus_loader tests/fuzz/regressions_loader
	@ORULIB=$(CURDIR)/build-fuzz/lib build-fuzz/fuzz_library -max_total_time=$(FUZZ_TIME) -artifact_prefix=build-fuzz/library- build-fuzz/corpus_library tests/fuzz/corpus_library tests/fuzz/regressions_library
	@build-fuzz/fuzz_vardata -max_total_time=30 -artifact_prefix=build-fuzz/vardata- build-fuzz/corpus_vardata tests/fuzz/corpus_vardata
	@ORULIB=$(CURDIR)/build-fuzz/lib build-fuzz/fuzz_classdef -max_total_time=30 -artifact_prefix=build-fuzz/classdef- build-fuzz/corpus_classdef tests/fuzz/corpus_classdef
	@build-fuzz/fuzz_cisam -max_total_time=$(FUZZ_TIME) -max_len=65536 -artifact_prefix=build-fuzz/cisam- build-fuzz/corpus_cisam tests/fuzz/corpus_cisam tests/fuzz/regressions_cisam
	@build-fuzz/fuzz_bbx -max_total_time=$(FUZZ_TIME) -max_len=65536 -artifact_prefix=build-fuzz/bbx- build-fuzz/corpus_bbx tests/fuzz/corpus_bbx tests/fuzz/regressions_bbx
	@build-fuzz/fuzz_debug -max_total_time=$(FUZZ_TIME) -artifact_prefix=build-fuzz/debug- build-fuzz/corpus_debug tests/fuzz/corpus_debug tests/fuzz/regressions_debug
	@build-fuzz/fuzz_journal -max_total_time=$(FUZZ_TIME) -max_len=65536 -artifact_prefix=build-fuzz/journal- build-fuzz/corpus_journal tests/fuzz/corpus_journal tests/fuzz/regressions_journal
	@ORULIB=$(CURDIR)/build-fuzz/lib build-fuzz/fuzz_tcp -max_total_time=$(FUZZ_TIME) -max_len=8192 -artifact_prefix=build-fuzz/tcp- build-fuzz/corpus_tcp tests/fuzz/corpus_tcp tests/fuzz/regressions_tcp
	@build-fuzz/fuzz_tcframe -max_total_time=$(FUZZ_TIME) -max_len=70000 -artifact_prefix=build-fuzz/tcframe- build-fuzz/corpus_tc tests/fuzz/corpus_tc tests/fuzz/regressions_tc
	@build-fuzz/fuzz_pdf -max_total_time=$(FUZZ_TIME) -max_len=65536 -artifact_prefix=build-fuzz/pdf- build-fuzz/corpus_pdf tests/fuzz/corpus_pdf tests/fuzz/regressions_pdf

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) build-fuzz
	@build-fuzz/fuzz_ttf -max_total_time=$(FUZZ_TIME) -max_len=65536 -artifact_prefix=build-fuzz/ttf- build-fuzz/corpus_ttf tests/fuzz/corpus_ttf

# `make run` (a lobby visit of the host program with the default scenario),
# `make test` (every build, every test and scenario, the Windows ones under
# Wine, and a printed visit under Wine), `make pictures`
# (pictures of every scenario in build/pictures, and docs/lobby.png) and
# `make window` (the lobby in a window, with a crowd of simulated users).
# `make fuzz` runs every fuzz target for FUZZ_SECONDS.
# All install what they need with apt on a fresh Debian 12 machine.
# `make dist` packs the module for hosts: build/dist/QvMulti-<VERSION>.zip;
# `make dist-check` builds and runs the C example from the unpacked package.
# `make mutate` is the mutation run (tools/mutate.py): MUTATE_COUNT single-line
# faults of the module, picked by MUTATE_SEED, each built in a copy of the tree
# (build/mutate) and put through the Linux tests and scenarios; the report,
# each mutant killed or survived and the score, is build/mutate/report.txt.

JOBS ?= 2
LINUX := build/linux-i686
ASAN := build/linux-i686-asan
WIN := build/windows-i686
# One Wine prefix for every Windows program of a run (tests/wine/wine-run.sh).
WINE_PREFIX := $(CURDIR)/$(WIN)/wineprefix
WINE_RUN := sh $(CURDIR)/tests/wine/wine-run.sh $(WINE_PREFIX)
SCENARIO ?= host/scenarios/default.scn
VERSION := $(shell cat VERSION)
DIST := build/dist/QvMulti-$(VERSION)
CROWD ?= 40
PICTURES := build/pictures
FUZZ := build/linux-i686-fuzz
FUZZ_SECONDS ?= 60
# 1: every fuzz input runs in a fresh visit of its own rather than in the open visit.
FUZZ_FRESH ?= 0
# The fuzz programs built (fuzz_seeds writes seeds, fuzz_reset_proof proves the
# open visit's reset: neither is a target), listed by
# the shell when a recipe runs, after build-fuzz.
MUTATE_COUNT ?= 100
MUTATE_SEED ?= 20261208
FUZZ_TARGETS = $$(cd $(FUZZ) && ls fuzz_* | sed 's/^fuzz_//' | grep -vx 'seeds\|reset_proof')

.PHONY: mutate live fuzz fuzz-corpus build-fuzz run test bench bench-count bench-net-count pictures window setup build-linux build-asan build-windows wine-test wine-visit dist dist-check format tsan

run: setup build-linux
	$(LINUX)/qvhost --module $(LINUX)/libQvMulti.so --print $(SCENARIO)

test: setup build-linux build-asan build-windows tsan
	cd $(ASAN) && ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -j$(JOBS)
	cd $(LINUX) && ctest --output-on-failure -j$(JOBS) -R '^(scenario|Exports|Import|Include|MinimalHost|net\.)'
	$(MAKE) wine-test
	$(MAKE) dist-check
	$(MAKE) build-fuzz
	cd $(FUZZ) && ctest --output-on-failure -j$(JOBS) -R '^fuzz\.'

# One or more pictures per scenario: <scenario>-end.png after its last step,
# <scenario>-<line>.png at its show lines and NAME.png at its picture lines.
# The default scenario's "picture lobby" is the README's docs/lobby.png; the
# default, channel, character, game details and ladder pictures are kept in
# docs/pictures.
pictures: setup build-linux
	rm -rf $(PICTURES) && mkdir -p $(PICTURES) docs/pictures
	for s in host/scenarios/*.scn; do \
	  $(LINUX)/qvhost --module $(LINUX)/libQvMulti.so --png $(PICTURES) $$s >/dev/null || exit 1; done
	cp $(PICTURES)/lobby.png docs/lobby.png
	cp $(PICTURES)/lobby.png docs/pictures/default.png
	cp $(PICTURES)/channel.png $(PICTURES)/character.png $(PICTURES)/details.png $(PICTURES)/ladder.png docs/pictures/

window: setup build-linux
	$(LINUX)/qvhost --module $(LINUX)/libQvMulti.so --window --crowd $(CROWD)

bench: bench-count
	$(LINUX)/lobby_bench

# The mutation run; the Linux preset is configured first, so a tree that does
# not configure fails here rather than in the copy.
mutate: setup
	cmake --preset linux-i686 >/dev/null
	MUTATE_COUNT=$(MUTATE_COUNT) MUTATE_SEED=$(MUTATE_SEED) JOBS=$(JOBS) python3 tools/mutate.py

# Two players on one machine: a chat server of its own on 127.0.0.1 (its
# configuration in $(LINUX)/live) and two lobby windows, Arin and Mira;
# CROWD=N adds N scripted clients of the server (at most 500).
LIVE_CROWD = $(if $(filter command line,$(origin CROWD)),$(CROWD),0)
live: setup build-linux
	$(LINUX)/qvlive --qvhost $(LINUX)/qvhost --module $(LINUX)/libQvMulti.so \
	  --characters host/net/characters --dir $(CURDIR)/$(LINUX)/live --crowd $(LIVE_CROWD)

# Instructions per chat event at 10, 1000 and 10000 users and per dialog work at
# 10, 100 and 1000 rows, under callgrind.
bench-count: setup build-linux
	$(LINUX)/bench_count

# The module's instructions per talk event against a real chat server with 200
# clients, beside the same figure on the scripted service (callgrind); fails
# when they differ by more than 20 %.
bench-net-count: setup build-linux
	$(LINUX)/net_event_count

# Every fuzz target for FUZZ_SECONDS, JOBS targets at a time at low priority,
# its inputs in one open visit (FUZZ_FRESH=1: each in a fresh visit):
# executions, coverage and crashes per target; a crash input is kept in
# $(FUZZ)/fuzz-work/<target>/crashes and fails the run. What a run adds to a
# target's corpus stays in $(FUZZ)/fuzz-work/<target>/corpus.
fuzz: setup build-fuzz
	@echo $(FUZZ_TARGETS) | tr ' ' '\n' | \
	  FUZZ_FRESH=$(FUZZ_FRESH) xargs -P $(JOBS) -I{} nice sh tests/fuzz/run_fuzz.sh $(FUZZ)/fuzz_{} {} tests/fuzz $(FUZZ_SECONDS) $(FUZZ)/fuzz-work

# Keeps what the last `make fuzz` found: each target's grown corpus is merged
# into tests/fuzz/corpus/<target>, taking only inputs that reach new edges (hit
# counts are left out, so the committed corpus stays small).
fuzz-corpus: build-fuzz
	@for t in $(FUZZ_TARGETS); do [ -d $(FUZZ)/fuzz-work/$$t/corpus ] || continue; \
	  log=$(FUZZ)/fuzz-work/$$t/merge.log; \
	  ASAN_OPTIONS=detect_leaks=0 $(FUZZ)/fuzz_$$t -merge=1 -use_counters=0 -detect_leaks=0 -max_len=4096 tests/fuzz/corpus/$$t \
	    $(FUZZ)/fuzz-work/$$t/corpus >$$log 2>&1 || { cat $$log; exit 1; }; \
	  echo "$$t: $$(grep -o 'MERGE-OUTER: [0-9]* new files.*' $$log)"; done

build-fuzz:
	cmake --preset linux-i686-fuzz >/dev/null
	cmake --build $(FUZZ) -j$(JOBS)

setup:
	@sh tools/setup.sh

build-linux:
	cmake --preset linux-i686 >/dev/null
	cmake --build $(LINUX) -j$(JOBS)

build-asan:
	cmake --preset linux-i686-asan >/dev/null
	cmake --build $(ASAN) -j$(JOBS)

build-windows:
	cmake --preset windows-i686 >/dev/null
	cmake --build $(WIN) -j$(JOBS)

# The Windows tests and scenarios under Wine, each test in its own process, then
# one printed visit; the prefix's server runs from the first to the last.
wine-test: build-windows
	$(WINE_RUN) --start
	cd $(WIN) && ctest --output-on-failure --timeout 300 -j$(JOBS) && \
	  timeout 600 $(WINE_RUN) qvhost.exe --own-temp --module QvMulti.dll --print ../../$(SCENARIO); \
	  rc=$$?; $(WINE_RUN) --stop; exit $$rc

wine-visit: build-windows
	$(WINE_RUN) --start
	cd $(WIN) && timeout 600 $(WINE_RUN) qvhost.exe --module QvMulti.dll --print ../../$(SCENARIO); \
	  rc=$$?; $(WINE_RUN) --stop; exit $$rc

# The package for hosts: both builds of the module, the header, the six host
# library interfaces, the reference builds of the six libraries (the stand-in's,
# for trying the module), the list of string ids, the guide, the C example and
# the package's README, named with the version in VERSION.
HOST_LIBS := QvWin QvSound QvLang QvZendriClient Corvel Pellick
dist: setup build-linux build-windows
	rm -rf $(DIST) $(DIST).zip
	mkdir -p $(DIST)/windows $(DIST)/linux $(DIST)/include/host $(DIST)/docs $(DIST)/examples \
	  $(DIST)/reference-host/linux $(DIST)/reference-host/windows
	cp $(WIN)/QvMulti.dll $(DIST)/windows/
	cp $(LINUX)/libQvMulti.so $(DIST)/linux/
	for l in $(HOST_LIBS); do cp $(LINUX)/lib$$l.so $(DIST)/reference-host/linux/ && \
	  cp $(WIN)/$$l.dll $(DIST)/reference-host/windows/ && cp Src/platform/$$l.h $(DIST)/include/host/ || exit 1; done
	cp include/QvMulti.h $(DIST)/include/
	$(LINUX)/string_ids >$(DIST)/string-ids.txt
	cp docs/host.md $(DIST)/docs/
	cp docs/package-readme.md $(DIST)/README.md
	cp examples/minimal_host.c $(DIST)/examples/
	cp VERSION $(DIST)/
	cd build/dist && zip -qr QvMulti-$(VERSION).zip QvMulti-$(VERSION)
	@echo "$(DIST).zip"

# The package as a host developer gets it: unpacked into a temporary folder,
# minimal_host built from it alone and run on Linux and under Wine.
dist-check: dist
	$(WINE_RUN) --start
	sh tests/check_dist.sh $(DIST).zip $(LINUX)/string_ids $(WINE_RUN); rc=$$?; $(WINE_RUN) --stop; exit $$rc

tsan:
	cmake --preset linux-x64-tsan >/dev/null
	cmake --build build/linux-x64-tsan -j$(JOBS)
	cd build/linux-x64-tsan && ctest --output-on-failure

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

# The two commands a newcomer types are `make run` and `make test`; both
# install what is missing, configure and build first.

BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
# Benchmarks build apart, so that build/ stays as make run and make test left it.
BENCH_BUILD ?= build-bench
WEB_BUILD  ?= build-web
# The web page's drawing path: direct (our layer on WebGL) or emulation.
WEB_GL     ?= direct
WEB_PORT   ?= 8080
# make test-web: seconds of random input at the end.
WEB_FUZZ_SECONDS ?= 60
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
FUZZ_SECONDS ?= 60
PREFIX     ?= /usr/local
# make soak: events driven into the sanitized build, and the first stream's seed.
SOAK_EVENTS ?= 5000000
SEED        ?= 1

# Leak checking stays on; the suppressions name only the GL, X and GLUT
# libraries, whose drivers keep allocations until the process ends.
SANITIZER_ENV = ASAN_OPTIONS=detect_leaks=1 \
                LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0 \
                UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

.PHONY: all deps configure build run test test-asan asan-build soak bench bench-peers fuzz screenshots install package clean web web-serve test-web web-bench web-picture

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -DTESSAVELD_WERROR=ON

build: configure
	cmake --build $(BUILD) -j$(JOBS)

# The program opens fonts/garamond1.glf relative to the working directory.
run: build
	@xdpyinfo >/dev/null 2>&1 || { echo "There is no display to open the window on; the same program runs in the browser with make web-serve." >&2; exit 1; }
	./$(BUILD)/tessaveld

test: build
	scripts/with-display.sh ctest --test-dir $(BUILD) --output-on-failure

asan-build: deps
	cmake -S . -B $(ASAN_BUILD) -DTESSAVELD_WERROR=ON -DTESSAVELD_SANITIZE=ON
	cmake --build $(ASAN_BUILD) -j$(JOBS)

test-asan: asan-build
	$(SANITIZER_ENV) scripts/with-display.sh ctest --test-dir $(ASAN_BUILD) --output-on-failure

# The long random run: make soak [SOAK_EVENTS=n] [SEED=s].
soak: asan-build
	$(SANITIZER_ENV) TESSAVELD_EVENTS=$(SOAK_EVENTS) TESSAVELD_SEED=$(SEED) \
	    scripts/with-display.sh ./$(ASAN_BUILD)/run-with-test-env ./$(ASAN_BUILD)/tests/test_events \
	    --gtest_filter='*RandomStreams*'

bench: deps
	cmake -S . -B $(BENCH_BUILD) -DTESSAVELD_WERROR=ON -DTESSAVELD_BENCH=ON
	cmake --build $(BENCH_BUILD) -j$(JOBS) --target tessaveld_bench
	scripts/with-display.sh ./$(BENCH_BUILD)/bench/tessaveld_bench

# Our curve sampling and matrix inversion beside SciPy's and NumPy's, in one
# run; prints the ratios (below 1: ours is faster).
bench-peers: deps
	@scripts/install-deps.sh --peers
	cmake -S . -B $(BENCH_BUILD) -DTESSAVELD_WERROR=ON -DTESSAVELD_BENCH=ON
	cmake --build $(BENCH_BUILD) -j$(JOBS) --target tessaveld_peers
	./$(BENCH_BUILD)/bench/tessaveld_peers --benchmark_format=json --benchmark_repetitions=7 \
	    --benchmark_report_aggregates_only=true | /usr/bin/python3 bench/peers/peers.py

fuzz:
	@scripts/install-deps.sh --fuzz
	CXX=clang++ CC=clang cmake -S . -B $(FUZZ_BUILD) -DTESSAVELD_FUZZ=ON -DTESSAVELD_TESTS=OFF
	cmake --build $(FUZZ_BUILD) -j$(JOBS)
	scripts/run-fuzzers.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

# Pictures of every method for the README, taken from the real program
# under Xvfb; they land in docs/images/.
screenshots: build
	scripts/screenshots.sh ./$(BUILD)/tessaveld docs/images

# The program to $(PREFIX)/bin, its font and licence to
# $(PREFIX)/share/tessaveld/fonts; an installed copy runs from anywhere.
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# A Debian package, $(BUILD)/tessaveld_<version>_<arch>.deb.
package: build
	cmake --build $(BUILD) --target package

# The web page: build-web/site/ holds index.html and all it loads, for any
# static web host. Debian's emscripten runs its JavaScript tools with the
# node on the PATH, which finds their modules through NODE_PATH.
web:
	@scripts/install-deps.sh --web
	NODE_PATH=/usr/share/nodejs emcmake cmake -S . -B $(WEB_BUILD) -DCMAKE_BUILD_TYPE=Release \
	    -DTESSAVELD_WEB_GL=$(WEB_GL)
	NODE_PATH=/usr/share/nodejs cmake --build $(WEB_BUILD) -j$(JOBS)

web-serve: web
	node web/serve.js $(WEB_BUILD)/site $(WEB_PORT)

# The page in headless Chromium beside the desktop program under Xvfb.
test-web: web build
	@scripts/install-deps.sh --web-test
	scripts/with-display.sh node tests/web/page_test.js $(WEB_BUILD)/site $(BUILD)/tessaveld $(WEB_FUZZ_SECONDS)

# The README's pictures of the page: docs/images/web-page.png at desktop
# size, docs/images/web-page-phone.png at phone size, and the plot panel in
# two modes, docs/images/web-plot-bspline.png and web-plot-rbf.png.
web-picture: web
	@scripts/install-deps.sh --web-test
	node tests/web/page_picture.js $(WEB_BUILD)/site docs/images

# Frame times of the page at 128 points (median and p99), then the plot
# panel's update after an event and the frame beside it.
web-bench: web
	@scripts/install-deps.sh --web-test
	node bench/web/web_bench.js $(WEB_BUILD)/site
	node bench/web/plot_bench.js $(WEB_BUILD)/site
	node bench/web/analysis_bench.js $(WEB_BUILD)/site

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(WEB_BUILD) $(BENCH_BUILD)

# Wendrask: `make run` runs the program, `make test` runs every test.
# Both install what the machine lacks, then configure and build.

BUILD   := build
NATIVE  := $(BUILD)/native
SANITIZE:= $(BUILD)/native-sanitize
WINDOWS := $(BUILD)/windows
FUZZ    := $(BUILD)/fuzz
JOBS    := $(shell nproc)

.PHONY: all deps build native windows fuzz test test-native test-windows test-fuzz run soak bench screenshots clean

all: build

deps:
	@tests/scripts/install-deps

native: deps
	cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(NATIVE) -j$(JOBS)
	cmake -S . -B $(SANITIZE) -DCMAKE_BUILD_TYPE=Debug -DWENDRASK_SANITIZE=ON
	cmake --build $(SANITIZE) -j$(JOBS)

windows: deps
	cmake -S . -B $(WINDOWS) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release
	cmake --build $(WINDOWS) -j$(JOBS)

fuzz: deps
	cmake -S . -B $(FUZZ) -DCMAKE_CXX_COMPILER=clang++ -DWENDRASK_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(FUZZ) -j$(JOBS)

# The program ends up at build/windows/Wendrask.exe.
build: native windows

test-native: native
	ctest --test-dir $(NATIVE) --output-on-failure
	ctest --test-dir $(SANITIZE) --output-on-failure

test-fuzz: fuzz
	ctest --test-dir $(FUZZ) --output-on-failure

# Windows tests run one at a time: they share one display, one clipboard and one scheduler.
test-windows: windows
	tests/scripts/with-testenv ctest --test-dir $(WINDOWS) --output-on-failure

test: test-native test-fuzz test-windows

run: windows
	tests/scripts/run-wendrask $(WINDOWS)/Wendrask.exe

# The long runs that `make test` keeps short (about 20 minutes): 600
# pictures through Wendrask with its handles, GDI objects and memory
# watched, every bad picture, 20,000 mutated metafile headers.
soak: windows
	tests/scripts/with-testenv tests/windows/soak/run-soak $(WINDOWS)

# Figures, not tests (about 8 minutes): the tick against a bare reference,
# its memory, idle ticks, copy-to-job delays. The table is printed and
# written to docs/benchmarks.md, docs/benchmarks.csv and the README.
bench: windows
	tests/scripts/with-testenv python3 tests/bench/bench.py --build $(WINDOWS) --out docs --readme README.md

# The README's pictures: the five placement modes on paper, the main window,
# the settings dialog (docs/*.png).
screenshots: windows
	tests/scripts/with-testenv python3 tests/bench/screenshots.py --build $(WINDOWS) --out docs

clean:
	rm -rf $(BUILD)

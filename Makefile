# The two everyday commands:
#   make demo   install what is missing, build, run the phone against the simulator
#   make test   install what is missing, build, run every test
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
CMAKE_FLAGS ?=
CTEST_FLAGS ?=

.PHONY: all deps configure build programs demo test bench format format-check clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR)

# The demo needs only the programs, not the tests and benchmarks.
programs: configure
	@cmake --build $(BUILD_DIR) --target pbxsim zyphone-cli $$(grep -q '^ZYPHONE_WITH_QT:BOOL=ON' $(BUILD_DIR)/CMakeCache.txt && echo zyphone)

demo: programs
	@scripts/demo $(BUILD_DIR)

test: build
	@scripts/run-tests $(BUILD_DIR) $(CTEST_FLAGS)

bench: build
	@for b in $(BUILD_DIR)/bench/bench_*; do echo "== $$b"; $$b; done

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

format-check:
	@git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

clean:
	@rm -rf $(BUILD_DIR)

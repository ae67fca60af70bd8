# Shortcuts for developers who have make; the README's commands need only bash:
#   bash scripts/run.sh     installs what is missing, builds, and starts Korvane
#   bash scripts/test.sh    installs what is missing, builds, and runs every test
.PHONY: all build run test test-sanitize fuzz reliability-report bench format clean package screenshots

all: build

build:
	bash scripts/build.sh

run:
	bash scripts/run.sh

test:
	bash scripts/test.sh

test-sanitize:
	bash scripts/test.sh --sanitize

package:
	bash scripts/package.sh

screenshots:
	bash scripts/screenshots.sh

fuzz:
	bash scripts/fuzz.sh

reliability-report: build
	python3 scripts/reliability-report.py --run

bench: build
	bash bench/run.sh build

format:
	find . \( -path ./build -o -path ./build-sanitize -o -path ./build-fuzz -o -path ./.git \) -prune -o \
	  \( -name '*.cpp' -o -name '*.h' \) -print0 | xargs -0 clang-format -i

clean:
	rm -rf build build-sanitize build-fuzz

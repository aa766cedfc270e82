# make run  - install what is missing, build, start the console on the demo program directory
# make test - install what is missing, build with ASan/UBSan, run every test
# Each target installs only the Debian packages it needs (tools/install-deps.sh).
JOBS ?= $(shell nproc)

.PHONY: run test deps build-run build-test bench clean

deps:
	@./tools/install-deps.sh run test bench

# The run build keeps frame pointers, so that the memory checker's stack
# traces name every frame.
build-run:
	@./tools/install-deps.sh run
	cmake -S . -B build/run -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRAVINOX_FRAME_POINTERS=ON -DBRAVINOX_TESTS=OFF -DBRAVINOX_BENCH=OFF >/dev/null
	cmake --build build/run -j $(JOBS) --target bravinox quandrix

# The console always ends with exit code 1, its normal end.
run: build-run
	cd build/run && ./bravinox || [ $$? -eq 1 ]

build-test:
	@./tools/install-deps.sh test
	cmake -S . -B build/test -DCMAKE_BUILD_TYPE=Debug -DBRAVINOX_SANITIZE=ON -DBRAVINOX_BENCH=OFF >/dev/null
	cmake --build build/test -j $(JOBS)

# Each test program runs as a few shuffled processes (its shards); the last
# line adds up the tests of every shard.
test: build-test
	./tools/run-tests.sh $(JOBS)

bench:
	@./tools/install-deps.sh bench
	cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DBRAVINOX_TESTS=OFF >/dev/null
	cmake --build build/bench -j $(JOBS)

clean:
	rm -rf build

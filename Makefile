# The two entry points: `make run` and `make test`. Both install missing Debian packages first.

# Every Debian package the project needs to build, run and test: the one list.
PACKAGES := cmake ninja-build g++ pkg-config \
	qt6-base-dev qt6-base-dev-tools libgl-dev \
	libusb-1.0-0-dev libudev-dev libevdev-dev libcli11-dev \
	libgtest-dev libgmock-dev libbenchmark-dev \
	umockdev libumockdev-dev \
	xvfb xauth qt6-qpa-plugins imagemagick xdotool x11-utils \
	clang libclang-rt-14-dev strace v4l-utils \
	desktop-file-utils

SUDO := $(shell [ "$$(id -u)" -eq 0 ] || echo sudo)

.PHONY: deps build run test test-release test-sanitize fuzz clean

deps:
	@missing=$$(for p in $(PACKAGES); do \
		dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed$$' || echo $$p; \
	done); \
	if [ -n "$$missing" ]; then \
		echo "Installing:" $$missing; \
		$(SUDO) apt-get update && \
		DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y --no-install-recommends $$missing; \
	fi

build: deps
	cmake --preset release
	cmake --build --preset release

# With the simulated camera, so that there is something to drive without hardware.
run: build
	./build/release/src/app/ptzpanel --simulated-camera

# The fuzzer runs first so that the test summary is the last thing printed.
test: fuzz test-release test-sanitize

test-release: deps
	cmake --preset release
	cmake --build --preset release
	ctest --preset release

test-sanitize: deps
	cmake --preset asan
	cmake --build --preset asan
	ctest --preset asan

# A short run of each fuzz target from its seed corpus. New inputs go to the build folder, so
# the seeds in the repository stay as they are.
FUZZ_SECONDS ?= 30

fuzz: deps
	cmake --preset fuzz
	cmake --build --preset fuzz -j2
	mkdir -p build/fuzz/corpus/uvc_descriptors build/fuzz/artifacts
	./build/fuzz/fuzz/uvc_descriptors_fuzz -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
		-artifact_prefix=build/fuzz/artifacts/ \
		build/fuzz/corpus/uvc_descriptors fuzz/corpus/uvc_descriptors

clean:
	rm -rf build

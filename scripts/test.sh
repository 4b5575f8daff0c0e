#!/usr/bin/env bash
# Installs what the builds need (as root, on Debian 12), builds the portable
# product and the Windows product, and runs every test: natively, and under
# Wine against the Win32 code-page services.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

if [ "$(id -u)" = 0 ] && [ "${IDXFILTER_SKIP_INSTALL:-0}" != 1 ]; then
  dpkg --add-architecture i386
  # A mirror caught mid-sync fails the update ("File has unexpected size");
  # it settles within minutes, so the update is retried; if it still fails,
  # the install goes on with the lists that did arrive and fails only when a
  # package is really missing.
  for attempt in 1 2 3 4 5 6; do
    if apt-get update -q; then break; fi
    if [ "$attempt" = 6 ]; then
      echo "warning: apt-get update kept failing; installing from the lists it fetched" >&2
      break
    fi
    echo "apt-get update failed (attempt $attempt); retrying in $((attempt * 20)) s" >&2
    sleep $((attempt * 20))
  done
  packages=(cmake ninja-build g++ make googletest libbenchmark-dev python3 libsqlite3-dev
    nlohmann-json3-dev clang-14 libclang-rt-14-dev
    g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine32:i386 wine64
    pkg-config man-db groff-base dpkg-dev file libuchardet-dev
    python3-pytest python3-distributed python3-dask python3-venv python3-pip python3-wheel python3-setuptools)
  # When one architecture's security list did not arrive, its libraries
  # cannot match the other's security versions (multiarch needs equal
  # versions); installing from the release itself keeps both in step.
  if ! DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${packages[@]}"; then
    echo "warning: installing from bookworm's release lists only" >&2
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends -t bookworm "${packages[@]}"
  fi
fi

export WINEDEBUG=-all

echo "== portable build (Linux shared library, command-line tool) =="
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DIDXFILTER_REQUIRE_CODEPAGE_DIFFERENTIAL=ON
ninja -C build/native -j "$jobs"
ctest --test-dir build/native --output-on-failure -j "$jobs"
echo "== install check =="; scripts/install_check.sh build/native

echo "== scalar build (SIMD kernels compiled out) against the SIMD build =="
scripts/scalar_check.sh

echo "== Windows product (32-bit DLL) =="
cmake -S . -B build/windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw.cmake \
  -DIDXFILTER_WINDOWS_ARCH=i686 -DCMAKE_BUILD_TYPE=Release
ninja -C build/windows -j "$jobs"
if /usr/lib/wine/wine --version > /dev/null 2>&1; then
  echo "note: this machine runs 32-bit programs; the DLL's whole suite runs under 32-bit Wine"
  ctest --test-dir build/windows --output-on-failure
else
  # Some kernels cannot run 32-bit programs at all; the DLL's tables are
  # still checked, and the same sources run under 64-bit Wine below.
  echo "note: this machine cannot run 32-bit programs; running only the DLL table checks"
  ctest --test-dir build/windows --output-on-failure -R dll_tables
fi

echo "== Windows 64-bit test build under Wine =="
cmake -S . -B build/win64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw.cmake \
  -DIDXFILTER_WINDOWS_ARCH=x86_64 -DCMAKE_BUILD_TYPE=Release
ninja -C build/win64 -j "$jobs"
ctest --test-dir build/win64 --output-on-failure

echo "== AddressSanitizer, LeakSanitizer and UndefinedBehaviorSanitizer over every test =="
scripts/sanitize.sh

echo "== ThreadSanitizer: eight threads calling the export at once =="
scripts/tsan.sh

echo "== Fuzzers (libFuzzer with ASan and UBSan), a minute each =="
scripts/fuzz.sh "${IDXFILTER_FUZZ_SECONDS:-60}"

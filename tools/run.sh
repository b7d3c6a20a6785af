#!/usr/bin/env bash
# Sets a Debian 12 machine up for Kolbri, builds it and runs one job:
#   tools/run.sh demo   build the plug-in and render the demo phrase to demo.wav
#   tools/run.sh test   build the test suite with the sanitizers and run every test
#   tools/run.sh bench  build optimised and run the benchmarks
#   tools/run.sh programs  render every built-in program to WAV and spectrogram, and a contact sheet
# KOLBRI_JOBS=N limits the jobs the builds and the tests run at once (default: the processors).
set -euo pipefail

job=${1:-demo}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# Build and test jobs: one per processor, or KOLBRI_JOBS of them on a small machine.
jobs=${KOLBRI_JOBS:-$(nproc)}
if ! [[ $jobs =~ ^[1-9][0-9]*$ ]]; then
  echo "KOLBRI_JOBS must be a number of jobs, 1 or more (it is '$jobs')" >&2
  exit 2
fi

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libcairo2-dev libpango1.0-dev libxcb1-dev fonts-liberation2
  libxcb-xkb-dev libxkbcommon-dev libxkbcommon-x11-dev libxcb-cursor-dev
  clang libclang-rt-14-dev
)
# The windowed editor tests start their own Xvfb display and drive it through XTest,
# on a bare server and under a window manager, as users run the editor.
if [[ $job == test ]]; then packages+=(xvfb libxcb-xtest0-dev openbox); fi
# One benchmark weighs Kolbri's voices against another synth plug-in from Debian.
if [[ $job == bench ]]; then packages+=(amsynth); fi
# The programs' spectrograms are drawn by sox and gathered on one sheet by ImageMagick.
if [[ $job == programs ]]; then packages+=(sox imagemagick); fi

install_packages() {
  local missing=()
  for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
  done
  if ((${#missing[@]})); then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}

configure_and_build() {  # folder, then cmake options
  local folder=$1
  shift
  cmake -S "$root" -B "$folder" -G Ninja "$@" >/dev/null
  cmake --build "$folder" -j "$jobs"
}

install_packages
case "$job" in
  demo)
    configure_and_build "$root/build" -DCMAKE_BUILD_TYPE=Release -DKOLBRI_TESTS=OFF -DKOLBRI_BENCHMARKS=OFF
    # A phrase through a handful of the built-in programs, each loaded as a host loads a program file.
    demo_programs=("Abyss Impact" "Ray Gun Pew" "Tuned Noise Harp" "Gate Stutter" "Falling Bomb" "Thunder Roll")
    fxp_options=()
    mkdir -p "$root/build/demo"
    for name in "${demo_programs[@]}"; do
      "$root/build/tools/programbank/kolbri_programbank" fxp "$name" "$root/build/demo/$name.fxp" "$root"/plugin/programs/*.txt
      fxp_options+=(--fxp "$root/build/demo/$name.fxp")
    done
    "$root/build/tools/vsthost" demo "$root/build/Kolbri.vst/Contents/x86_64-linux/Kolbri.so" "$root/demo.wav" "${fxp_options[@]}"
    ;;
  test)
    # Values shared between the audio thread and the others are checked under ThreadSanitizer.
    configure_and_build "$root/build-tsan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKOLBRI_SANITIZE=thread \
      -DKOLBRI_BENCHMARKS=OFF
    (cd "$root/build-tsan" && ctest --output-on-failure -j "$jobs" -R 'Threads')
    # Then every test under AddressSanitizer and UndefinedBehaviorSanitizer,
    # each in a process of its own; then each test executable whole, as one
    # process, so that no test passes only alone or only after another.
    # Optimised for debugging (-Og): the rendering tests run twice as fast as
    # unoptimised, with the same samples and readable stack traces.
    configure_and_build "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-g -Og" \
      "-DCMAKE_C_FLAGS_DEBUG=-g -Og" -DKOLBRI_SANITIZE=address,undefined \
      -DKOLBRI_BENCHMARKS=OFF -DKOLBRI_WHOLE_SUITE_TESTS=ON
    (cd "$root/build-asan" && ctest --output-on-failure -j "$jobs" -LE 'whole|levels')
    (cd "$root/build-asan" && ctest --output-on-failure -j "$jobs" -L whole)
    # The built-in programs' levels play thousands of seconds of sound: in an
    # optimised build, where they take minutes rather than an hour.
    cmake -S "$root" -B "$root/build-levels" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKOLBRI_BENCHMARKS=OFF >/dev/null
    cmake --build "$root/build-levels" -j "$jobs" --target level_tests
    (cd "$root/build-levels" && ctest --output-on-failure -j "$jobs" -L levels)
    # The file readers' fuzz targets need clang's libFuzzer: a short run of each.
    CC=clang CXX=clang++ cmake -S "$root" -B "$root/build-fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DKOLBRI_SANITIZE=address,undefined -DKOLBRI_BENCHMARKS=OFF >/dev/null
    cmake --build "$root/build-fuzz" -j "$jobs" --target kolbri_fuzzers
    (cd "$root/build-fuzz" && ctest --output-on-failure -j "$jobs" -L fuzz)
    ;;
  bench)
    configure_and_build "$root/build" -DCMAKE_BUILD_TYPE=Release -DKOLBRI_TESTS=OFF
    "$root/build/bench/kolbri_bench"
    "$root/build/bench/kolbri_editor_bench"
    ;;
  programs)
    configure_and_build "$root/build" -DCMAKE_BUILD_TYPE=Release -DKOLBRI_TESTS=OFF -DKOLBRI_BENCHMARKS=OFF
    "$root/tools/render-programs.sh" "$root/build" "$root/build/programs"
    ;;
  *)
    echo "usage: $0 demo|test|bench|programs" >&2
    exit 2
    ;;
esac

#!/usr/bin/env bash
# Builds the tests with clang's sanitizers and runs them.
#   scripts/sanitize.sh address   AddressSanitizer and UndefinedBehaviorSanitizer, every test
#   scripts/sanitize.sh thread    ThreadSanitizer, the tests of the threaded code
# Leaks inside Qt, fontconfig and the sound libraries are suppressed
# (tests/sanitizers/lsan.supp); FluidSynth's own threads are not instrumented,
# so their races are suppressed for ThreadSanitizer (tests/sanitizers/tsan.supp).
# What ThreadSanitizer still reports comes from Qt, which is not instrumented
# either and synchronises with futexes it cannot see: a call queued from the
# output's doorbell thread to the window thread (PlayerShutdown, Playback),
# QThread::wait() before a job's thread is deleted (BackgroundJob) and Qt's
# own thread pool (LibraryWindows.Import). Two kinds of test cannot run under
# it at all: its runtime holds a signal until the thread enters a libc call,
# which a query inside SQLite never does (Termination), and it fails a check
# of its own when QProcess forks (Program).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
kind=${1:-address}

missing=()
for p in clang libclang-rt-14-dev; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -qq
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
fi

case "$kind" in
  address) flags="-fsanitize=address,undefined"; dir="$root/build-asan"
           tests="."; skip="^$" ;;
  thread)  flags="-fsanitize=thread"; dir="$root/build-tsan"
           tests="MIDIOutput|Synth|Mci|Scheduler|MessageRing|Shutdown|Stop|Wav|SettingsService|Job|Pulse"
           skip="Termination|Program\\." ;;
  *) echo "usage: $0 address|thread" >&2; exit 2 ;;
esac

cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_CXX_FLAGS="$flags -fno-omit-frame-pointer -O1" \
  -DCMAKE_EXE_LINKER_FLAGS="$flags" -DLIRMUS_BUILD_BENCH=OFF >/dev/null
cmake --build "$dir"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$root/tests/sanitizers/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export TSAN_OPTIONS="suppressions=$root/tests/sanitizers/tsan.supp:halt_on_error=1:second_deadlock_stack=1"
cd "$dir"
exec env QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 --timeout 900 -R "$tests" -E "$skip"

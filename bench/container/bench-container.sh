#!/usr/bin/env bash
# Benchmark of the split container engine against cp, split and cat.
#
#   bench/container/bench-container.sh [--size-mb N] [--volume-mb N] [--repeat R] [--dir DIR] [--bin DIR] [--sync]
#
# Cuts an N MB file (default 1024) of incompressible data into V MB volumes (default 100) with
# "ksvtool container backup" at --level none and --level fastest, restores each, and times cp of
# the file and GNU split / cat of it into the same pieces, all in one run. Every step runs R times
# (default 3) and its best time counts. Prints a Markdown table of times, throughputs and the
# ratio to cp. The working files go to DIR (default: a new folder
# under the build folder) and are removed at the end. The page cache stays warm for every step
# (nothing is dropped), so the figures compare CPU and copy overhead; --sync adds an fsync of the
# written files to every timed step.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
size_mb=1024
volume_mb=100
dir=""
bin=""
do_sync=0
repeat=3
while [ $# -gt 0 ]; do
  case "$1" in
    --size-mb) size_mb="$2"; shift 2 ;;
    --volume-mb) volume_mb="$2"; shift 2 ;;
    --dir) dir="$2"; shift 2 ;;
    --bin) bin="$2"; shift 2 ;;
    --repeat) repeat="$2"; shift 2 ;;
    --sync) do_sync=1; shift ;;
    -h|--help) sed -n '2,14p' "$0"; exit 0 ;;
    *) echo "unknown argument: $1" >&2; exit 2 ;;
  esac
done

if [ -z "$bin" ]; then
  bin="$root/build-bench/bin"
  if [ ! -x "$bin/ksvtool" ]; then
    echo "Building ksvtool in $root/build-bench" >&2
    cmake -S "$root" -B "$root/build-bench" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKSV_GUI=OFF >/dev/null
    cmake --build "$root/build-bench" --target ksvtool -j2 >/dev/null
  fi
fi
ksvtool="$bin/ksvtool"
[ -x "$ksvtool" ] || { echo "no ksvtool in $bin" >&2; exit 2; }

[ -n "$dir" ] || dir="$(mktemp -d "${TMPDIR:-/tmp}/ksv-bench-container.XXXXXX")"
mkdir -p "$dir"
trap 'rm -rf "$dir"' EXIT
mkdir -p "$dir/c/src" "$dir/c/out"

# The bench folder is drive C: of the simulated platform, so ksvtool can name the files.
printf '[C]\nroot=%s/c\ntype=fixed\n' "$dir" > "$dir/drives.ini"
export KESTRAVE_PLATFORM=simulated KESTRAVE_DRIVES="$dir/drives.ini" KESTRAVE_UNATTENDED=1

src="$dir/c/src/big.zip"
echo "Generating ${size_mb} MB of incompressible data" >&2
head -c "$((size_mb * 1024 * 1024))" /dev/urandom > "$src"
bytes=$(stat -c %s "$src")
volume_bytes=$((volume_mb * 1024 * 1024))

now() { date +%s.%N; }
sync_files() { [ "$do_sync" = 1 ] && sync "$@" || true; }
declare -A seconds

declare -A cpu
run() { # name prepare-command command... : best of $repeat runs, each after its preparation
  local name="$1" prepare="$2"; shift 2
  local best="" best_cpu="" wall user sys
  for ((i = 0; i < repeat; i++)); do
    $prepare
    sync # every run starts without dirty pages left by the one before
    local TIMEFORMAT="%3R %3U %3S"
    { time "$@" 2>/dev/null; } 2> "$dir/time.txt"
    read -r wall user sys < "$dir/time.txt"
    local used
    used=$(python3 -c "print(f'{$user + $sys:.3f}')")
    if [ -z "$best" ] || python3 -c "import sys; sys.exit(0 if $wall < $best else 1)"; then best=$wall; fi
    if [ -z "$best_cpu" ] || python3 -c "import sys; sys.exit(0 if $used < $best_cpu else 1)"; then best_cpu=$used; fi
  done
  seconds[$name]=$best
  cpu[$name]=$best_cpu
  echo "  $name: best ${best} s, CPU ${best_cpu} s (of $repeat runs)" >&2
}

step_cp() { cp "$src" "$dir/c/out/copy.zip"; sync_files "$dir/c/out/copy.zip"; }
step_split() { split -b "$volume_bytes" -a 3 -d "$src" "$dir/c/out/split."; sync_files "$dir"/c/out/split.*; }
step_cat() { cat "$dir"/c/out/split.* > "$dir/c/out/joined.zip"; sync_files "$dir/c/out/joined.zip"; }
step_cut() { # level
  "$ksvtool" container backup --level "$1" --max-size "$volume_bytes" --yes "$dir/c/out/cut-$1.001" "$src" >/dev/null
  sync_files "$dir"/c/out/cut-"$1".*
}
step_restore() { # level
  mkdir -p "$dir/c/out/rest-$1"
  "$ksvtool" container restore --yes "$dir/c/out/cut-$1.001" "$dir/c/out/rest-$1" >/dev/null
  sync_files "$dir/c/out/rest-$1/big.zip"
}
clean_out() { rm -rf "$dir/c/out"/*; }

echo "Timing (size ${size_mb} MB, volumes ${volume_mb} MB, best of ${repeat}, sync=$do_sync)" >&2
none() { :; }
clean_copy() { rm -f "$dir/c/out/copy.zip"; }
clean_split() { rm -f "$dir"/c/out/split.*; }
clean_joined() { rm -f "$dir/c/out/joined.zip"; }
run cp clean_copy step_cp
clean_copy
run split clean_split step_split
run cat clean_joined step_cat
cmp -s "$src" "$dir/c/out/joined.zip" || { echo "cat result differs" >&2; exit 1; }
clean_out
for level in none fastest; do
  eval "clean_cut_$level() { rm -f \"$dir\"/c/out/cut-$level.*; }"
  eval "clean_rest_$level() { rm -rf \"$dir/c/out/rest-$level\"; }"
  run "cut-$level" "clean_cut_$level" step_cut "$level"
  run "restore-$level" "clean_rest_$level" step_restore "$level"
  cmp -s "$src" "$dir/c/out/rest-$level/big.zip" || { echo "restore ($level) differs" >&2; exit 1; }
  volumes=$(ls "$dir"/c/out/cut-"$level".* | wc -l)
  container=$(du -cb "$dir"/c/out/cut-"$level".* | tail -1 | cut -f1)
  echo "  cut-$level: $volumes volumes, $container bytes" >&2
  clean_out
done

python3 - "$bytes" \
  "${seconds[cp]}" "${seconds[split]}" "${seconds[cat]}" "${seconds[cut-none]}" "${seconds[restore-none]}" \
  "${seconds[cut-fastest]}" "${seconds[restore-fastest]}" \
  "${cpu[cp]}" "${cpu[split]}" "${cpu[cat]}" "${cpu[cut-none]}" "${cpu[restore-none]}" \
  "${cpu[cut-fastest]}" "${cpu[restore-fastest]}" <<'PY'
import sys
size = int(sys.argv[1])
names = ["cp", "split", "cat", "cut clNone", "restore clNone", "cut clFastest", "restore clFastest"]
walls = [float(x) for x in sys.argv[2:9]]
cpus = [float(x) for x in sys.argv[9:16]]
print("| step | best time (s) | MB/s | throughput vs cp | CPU user+sys (s) | CPU vs cp |")
print("|---|---:|---:|---:|---:|---:|")
for name, t, c in zip(names, walls, cpus):
    rate = size / 1048576 / t if t > 0 else float('inf')
    print(f"| {name} | {t:.2f} | {rate:.0f} | {walls[0] / t * 100:.0f} % | {c:.2f} | {c / cpus[0] * 100:.0f} % |")
PY

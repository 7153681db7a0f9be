#!/usr/bin/env bash
# Builds the libFuzzer targets and runs each for a while from fresh seeds.
#   scripts/fuzz.sh [-b BUILD_DIR] [SECONDS_PER_TARGET]
# BUILD_DIR defaults to build-fuzz in the project root; it is configured with
# clang on first use. Seeds are written by make_seeds (small Orchestras saved
# by the program itself, canonical wave headers); the growing corpus is kept
# in BUILD_DIR/fuzz-corpus. Crashing inputs land in $FUZZ_ARTIFACTS (default
# ${TMPDIR:-/tmp}/tambrel-fuzz-artifacts). Exits non-zero when any target
# finds a crash, a leak, a timeout or an oversized allocation.
set -u

root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-fuzz
if [[ ${1:-} == -b ]]; then
    [[ $# -ge 2 ]] || { echo "usage: $0 [-b BUILD_DIR] [SECONDS]" >&2; exit 2; }
    build=$2
    shift 2
fi
seconds=${1:-60}
[[ $seconds =~ ^[0-9]+$ ]] || { echo "usage: $0 [-b BUILD_DIR] [SECONDS]" >&2; exit 2; }
artifacts=${FUZZ_ARTIFACTS:-${TMPDIR:-/tmp}/tambrel-fuzz-artifacts}
targets=(fuzz_orc_load fuzz_wave fuzz_decode)

# ------------------------------------------------------------ build
cxx=$(command -v clang++-14 || command -v clang++ || true)
cc=$(command -v clang-14 || command -v clang || true)
if [[ -n $cxx && -n $cc ]]; then
    if [[ ! -f $build/CMakeCache.txt ]]; then
        CC=$cc CXX=$cxx cmake -S "$root" -B "$build" -G Ninja -DTAMBREL_FUZZ=ON -DTAMBREL_TESTS=OFF \
            -DTAMBREL_BENCH=OFF || exit 2
    fi
    cmake --build "$build" -j2 --target "${targets[@]}" make_seeds || exit 2
else
    echo "fuzz.sh: clang not found; using the targets already built in $build" >&2
fi
bin=$build/fuzz
for t in "${targets[@]}" make_seeds; do
    [[ -x $bin/$t ]] || { echo "fuzz.sh: $bin/$t is missing" >&2; exit 2; }
done

# ------------------------------------------------------------ seeds
work=$(mktemp -d "${TMPDIR:-/tmp}/tambrel-fuzz.XXXXXX") || exit 2
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/tmp"
"$bin/make_seeds" "$work/seeds/fuzz_orc_load" "$work/seeds/fuzz_wave" || exit 2
# The decoder starts from the wave seeds; the dictionary brings the other kinds' marks.
mkdir -p "$work/seeds/fuzz_decode" && cp "$work/seeds/fuzz_wave/"* "$work/seeds/fuzz_decode/" || exit 2

# Entry names and values the loader looks for; libFuzzer splices them in.
cat >"$work/fuzz_orc_load.dict" <<'DICT'
"++"
"General++File Version"
"01.00"
"Set++SetNos"
"Set++CurSet"
"Set1++SetNam"
"Set1++BodNos"
"Set1Bd1++BodNam"
"Set1Bd1++InpDev"
"Set1Bd1++KeyNos"
"Set1Bd1++Key1"
"Set1Bd1++Key2"
"Set1Bd1++Key3"
"Set2Bd1++InpDev"
"WavBuf++1"
"Rec0++RecNos"
"Rec0++CurRec"
"Rec1++Nos"
"Rec1++Name"
"Rec1++Rec"
"EOF++"
"Keyboard"
"Mouse"
"1:0,10,0,1,0,1,0,1"
"5:0,0,100,1,0,60,127"
"11:1,2"
"1|4|16|2|44100|1|"
"2147483647"
"-1"
DICT
cat >"$work/fuzz_wave.dict" <<'DICT'
"RIFF"
"WAVE"
"fmt "
"data"
"DATA"
"LIST"
"\x44\xac\x00\x00"
"\x22\x56\x00\x00"
"\x11\x2b\x00\x00"
"\xff\xff\xff\x7f"
DICT

cat >"$work/fuzz_decode.dict" <<'DICT'
"RIFF"
"RF64"
"WAVE"
"fmt "
"data"
"FORM"
"AIFF"
"COMM"
"SSND"
"fLaC"
"OggS"
"\x01vorbis"
"OpusHead"
"ID3"
"\xff\xfb"
"\xfe\xff"
DICT

# libvorbis leaks the stream description of some damaged Ogg files it is
# handed through libsndfile: not ours to fix, and not hiding ours.
printf 'leak:libvorbis.so\n' >"$work/lsan.supp"
export LSAN_OPTIONS=suppressions=$work/lsan.supp

# ------------------------------------------------------------ run
# Inputs stay small, so no single allocation may approach 64 MB: anything
# larger means a length or count was trusted beyond what the file holds.
status=0
for t in "${targets[@]}"; do
    corpus=$build/fuzz-corpus/$t
    mkdir -p "$corpus" "$artifacts/$t"
    echo "== $t: $seconds s (log: $artifacts/$t.log)"
    # The targets feed their input through a file per process; keep those here.
    TMPDIR=$work/tmp "$bin/$t" -max_total_time="$seconds" -max_len=65536 -malloc_limit_mb=64 \
        -rss_limit_mb=1024 -timeout=10 -dict="$work/$t.dict" -artifact_prefix="$artifacts/$t/" -print_final_stats=1 \
        "$corpus" "$work/seeds/$t" >"$artifacts/$t.log" 2>&1
    rc=$?
    grep -E '^(#[0-9]+[[:space:]]+DONE|stat::number_of_executed_units|stat::peak_rss_mb)' "$artifacts/$t.log" | sed 's/^/   /'
    if [[ $rc -ne 0 ]]; then
        status=1
        echo "   FAILED (exit $rc):"
        grep -E '^(==[0-9]+==ERROR|SUMMARY|.*runtime error|artifact_prefix|Test unit written)' "$artifacts/$t.log" |
            head -8 | sed 's/^/   /'
    fi
done
exit $status

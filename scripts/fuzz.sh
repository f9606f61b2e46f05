#!/usr/bin/env bash
# The fuzz targets of fuzz/ (clang-14, libFuzzer, AddressSanitizer, UBSan), built
# into build-fuzz/ (or $VELMORA_FUZZ_DIR).
#
#   scripts/fuzz.sh build                      build the targets
#   scripts/fuzz.sh replay                     build, then run every target once over its
#                                              seed corpus and regression inputs (test.sh)
#   scripts/fuzz.sh run SECONDS [TARGET...]    fuzz each target (all by default) for SECONDS,
#                                              VELMORA_FUZZ_JOBS at a time (default 3)
#   scripts/fuzz.sh coverage [TARGET...]       line coverage of each target's reader files
#                                              over its corpus (build-fuzz-cov/, no sanitizers)
#   scripts/fuzz.sh list                       the target names
#
# A run keeps its growing corpus in build-fuzz/work/<target> (seeded from
# fuzz/corpus/<target>), its log in build-fuzz/logs/<target>.log and any crashing,
# leaking or slow input in build-fuzz/findings/<target>/. An input that found a
# fault goes, once fixed, into fuzz/regressions/<target>/ so the replay keeps it fixed.
set -euo pipefail
cd "$(dirname "$0")/.."
dir="${VELMORA_FUZZ_DIR:-build-fuzz}"
cxx="${VELMORA_FUZZ_CXX:-clang++-14}"
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(pwd)}"

targets() { for f in fuzz/targets/*.cpp; do basename "$f" .cpp; done; }

build() {
    if ! command -v "$cxx" > /dev/null; then
        echo "fuzz.sh: $cxx not found (scripts/install-deps.sh installs clang-14 and libFuzzer)" >&2
        exit 1
    fi
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_FUZZ=ON \
        -DCMAKE_CXX_COMPILER="$cxx" > /dev/null
    cmake --build "$dir" -j "${VELMORA_JOBS:-$(nproc)}"
}

# Fuzzes one target for $1 seconds and prints its summary line.
run_one() {
    local seconds="$1" t="$2"
    mkdir -p "$dir/work/$t" "$dir/findings/$t" "$dir/logs"
    local inputs=(fuzz/corpus/$t)
    [ -d "fuzz/regressions/$t" ] && inputs+=(fuzz/regressions/$t)
    local rc=0
    "$dir/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
        -print_final_stats=1 -artifact_prefix="$dir/findings/$t/" \
        "$dir/work/$t" "${inputs[@]}" > "$dir/logs/$t.log" 2>&1 || rc=$?
    local last execs cov
    last=$(grep -E '^#[0-9]+' "$dir/logs/$t.log" | tail -1 || true)
    execs=$(grep -E '^stat::number_of_executed_units' "$dir/logs/$t.log" | awk '{print $2}' || true)
    cov=$(echo "$last" | grep -oE 'cov: [0-9]+' | awk '{print $2}' || true)
    local found
    found=$(find "$dir/findings/$t" -type f | wc -l)
    printf '%-18s exit %-3s runs %-10s cov %-6s findings %s\n' "$t" "$rc" "${execs:-?}" "${cov:-?}" "$found"
}

# The files holding the readers each target drives (the coverage report's scope).
declare -A sources=(
    [network]="PalvonRead PalvonLinks PalvonJunctions PalvonLanes PalvonCoords PalvonTransit PalvonLists PalvonPasses"
    [network_files]="PalvonRead PalvonLists"
    [lpa]="PalvonListingsLpa ListingLines" [lpl]="PalvonListingsLpl ListingLines" [counts]="PalvonCounts"
    [coords_text]="CoordinatesFiles" [coords_dxf]="CoordinatesFiles" [complementary]="ComplementaryData"
    [zoning_text]="ZoningLoaders" [zoning_shp]="ZoningLoaders" [genatr]="Genatr ZoningLoaders"
    [polygons]="PolygonFile" [selections]="SelectionFiles" [ini_ranges]="IniFile Ranges"
    [formula]="ArtFormula ArtFormulaCompiler ArtFormulaFunctions" [print_definition]="Net2Print"
    [archive_update]="ZipForge ZipDirectory ZipRecords" [shape_points]="LinkShapes" [traces]="LinkShapes"
    [line_layers]="LineLayers" [point_layers]="PointLayers" [view_theme]="ViewConfig"
    [pairs]="KDVanalysis KDVlibPaths" [line_sheets]="PrintLines IniFile" [doc_pictures]="DocWriter"
    [settings]="ProgramSettings IniFile ViewConfig" [folder_ini]="FolderFiles ZoningLoaders LineLayers FileUtils"
    [selection_marks]="SelectionFiles" [positions]="CoordinatesFiles GeoWriters"
    [layers_roundtrip]="LineLayers GeoWriters" [settings_roundtrip]="IniFile"
)

coverage() {
    local cov="${dir}-cov"
    cmake -S . -B "$cov" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_FUZZ=ON -DVELMORA_FUZZ_COVERAGE=ON \
        -DCMAKE_CXX_COMPILER="$cxx" > /dev/null
    cmake --build "$cov" -j "${VELMORA_JOBS:-$(nproc)}" > /dev/null
    mkdir -p "$cov/profiles"
    local t f files
    for t in "$@"; do
        local inputs=(fuzz/corpus/$t)
        [ -d "fuzz/regressions/$t" ] && inputs+=(fuzz/regressions/$t)
        [ -d "$dir/work/$t" ] && inputs+=("$dir/work/$t")
        rm -f "$cov/profiles/$t".*
        LLVM_PROFILE_FILE="$cov/profiles/$t.profraw" "$cov/fuzz/fuzz_$t" -runs=0 -timeout=30 "${inputs[@]}" \
            > "$cov/profiles/$t.log" 2>&1 || true
        llvm-profdata-14 merge -sparse "$cov/profiles/$t.profraw" -o "$cov/profiles/$t.profdata"
        # Lines and functions of the reader files (paths as the build recorded them).
        llvm-cov-14 report "$cov/fuzz/fuzz_$t" -instr-profile="$cov/profiles/$t.profdata" |
            awk -v t="$t" -v n="$(find "${inputs[@]}" -type f | wc -l)" -v names="${sources[$t]}" '
                BEGIN { split(names, w, " "); for (i in w) want[w[i] ".cpp"] = 1 }
                { f = $1; sub(/.*\//, "", f) }
                want[f] { fn += $5; fnm += $6; ln += $8; lnm += $9 }
                END { printf "%-18s inputs %-6s functions %5.1f%%  lines %5.1f%% (%d of %d)\n", t, n,
                             fn ? 100 * (fn - fnm) / fn : 0, ln ? 100 * (ln - lnm) / ln : 0, ln - lnm, ln }'
    done
}

case "${1:-}" in
build)
    build
    ;;
replay)
    build
    (cd "$dir" && ctest -L fuzz --output-on-failure -j "${VELMORA_JOBS:-$(nproc)}")
    ;;
run)
    seconds="${2:?seconds}"
    shift 2
    list=("$@")
    [ ${#list[@]} -gt 0 ] || mapfile -t list < <(targets)
    build
    export -f run_one
    export dir
    printf '%s\n' "${list[@]}" | xargs -P "${VELMORA_FUZZ_JOBS:-3}" -I{} bash -c 'run_one "$0" "$1"' "$seconds" {}
    ;;
coverage)
    shift
    list=("$@")
    [ ${#list[@]} -gt 0 ] || mapfile -t list < <(targets)
    coverage "${list[@]}"
    ;;
list)
    targets
    ;;
*)
    sed -n '2,20p' "$0" | sed 's/^# \{0,1\}//'
    exit 2
    ;;
esac

# Sourced by bench/launch.sh and bench/launch_ab.sh: the real networks, a scratch
# folder, one launch of a build and the median of a column of numbers.
# The real networks come from $VELMORA_REAL_DATA (default: the shared data folder).
data=${VELMORA_REAL_DATA:-}
for d in "$root/../shared/data/real" "$root/../../shared/data/real"; do
  [ -z "$data" ] && [ -f "$d/siouxfalls.dat" ] && data=$d
done
[ -n "$data" ] || { echo "No se encuentran las redes reales (VELMORA_REAL_DATA)." >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset QT_QPA_PLATFORM

# One launch of a build: prints "<ms to first draw> <peak kB>". The network "empty"
# is none: the program's own time to show its empty window.
launch_once() {
  local bin=$1 net=$2
  rm -rf "$work/run" && mkdir -p "$work/run/cfg"
  local args=()
  if [ "$net" != empty ]; then
    cp "$data/$net.dat" "$work/run/"
    args=("$work/run/$net.dat")
  fi
  local t0 out
  t0=$(date +%s%N)
  out=$(cd "$work/run" && VELMORA_CONFIG_DIR="$work/run/cfg" VELMORA_REPORT_FIRST_DRAW=1 \
        timeout 60 "$bin" "${args[@]}" 2>/dev/null | grep '^first-draw' || true)
  [ -n "$out" ] || { echo "$net: el programa no dibujó el mapa" >&2; exit 1; }
  awk -v t0="$t0" '{ printf "%.1f %d\n", ($2 - t0) / 1e6, $4 }' <<<"$out"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

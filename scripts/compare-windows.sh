#!/usr/bin/env bash
# Converts the example scenes and the Debian models (gl-117-data, glmark2-data) in every mode with
# the Linux tarnex-cli and with tarnex-cli.exe under Wine, and compares every byte each writes:
# the data, animation and script files, what it prints and its exit status; then --info and
# --preview of each pair. Prints the count of differing bytes and fails when there are any.
#   scripts/compare-windows.sh [--quick] [LINUX_BUILD [WINDOWS_BUILD]]   (defaults build, build-windows)
# --quick, for CI, takes three of the modes that together reach every stage of the writer.
set -euo pipefail
cd "$(dirname "$0")/.."
quick=0
if [ "${1:-}" = --quick ]; then
  quick=1
  shift
fi
linux=$(cd "${1:-build}" && pwd)/tarnex-cli
windows=$(cd "${2:-build-windows}" && pwd)/tarnex-cli.exe
[ -x "$linux" ] && [ -f "$windows" ] || { echo "build both first: $linux, $windows" >&2; exit 2; }
export WINEPREFIX=${WINEPREFIX:-$(dirname "$windows")/wine-prefix} WINEDEBUG=-all
[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1
wineserver -p 2>/dev/null || true # kept running; one that runs already serves too
wineboot >/dev/null 2>&1 # Wine's services, started apart from this script's output
work=$(mktemp -d)
trap 'rm -rf "$work"; wineserver -k || true' EXIT

models=(examples/*.3ds)
for folder in /usr/share/games/gl-117 /usr/share/glmark2; do
  [ -d "$folder" ] && while IFS= read -r -d '' model; do models+=("$model"); done < <(find "$folder" -iname '*.3ds' -print0 | sort -z)
done
# Every vertex mode by both frame modes, the import script with its size and fill, the exact
# animation, and each with an append of the same scene after it.
modes=("" xyz clip byname "byname xyz" "byname clip" "script" "fill script size=78" "xyz fill" "exact" "exact script")
[ $quick = 0 ] || modes=("byname clip" "fill script size=78" "exact script")

# step NAME COMMAND...: runs the command, keeping what it prints and its exit status as NAME.*.
step() {
  local name=$1; shift
  local status=0
  "$@" >"$name.out" 2>"$name.err" || status=$?
  echo "$status" >"$name.status"
}

# run SIDE CLI...: every conversion of every model, its outputs in $work/SIDE/INDEX-MODE/.
run() {
  local side=$1; shift
  local index=0
  for model in "${models[@]}"; do
    index=$((index + 1))
    for mode in "${modes[@]}"; do
      local dir=$work/$side/$index-${mode// /-}
      mkdir -p "$dir"
      cp "$model" "$dir/in.3ds"
      # shellcheck disable=SC2086 # the mode is a list of option words
      (cd "$dir" && step new "$@" in.3ds out.3d $mode && step append "$@" in.3ds out_a.3d append $mode &&
         step info "$@" --info out_d.3d && step preview "$@" --preview out_d.3d preview.png --size 64 &&
         rm -f in.3ds)
    done
  done
}

start=$(date +%s)
run linux "$linux"
run windows wine "$windows"
differing=0 files=0
while IFS= read -r -d '' file; do
  files=$((files + 1))
  other=$work/windows/${file#"$work/linux/"}
  if [ ! -f "$other" ]; then
    echo "only on Linux: ${file#"$work/linux/"}"
    differing=$((differing + $(stat -c %s "$file") + 1))
  elif ! cmp -s "$file" "$other"; then
    n=$(cmp -l "$file" "$other" 2>/dev/null | wc -l)
    a=$(stat -c %s "$file") b=$(stat -c %s "$other")
    n=$((n + (a > b ? a - b : b - a)))
    echo "differs: ${file#"$work/linux/"} ($n bytes)"
    differing=$((differing + n))
  fi
done < <(find "$work/linux" -type f -print0)
extra=$(cd "$work/windows" && find . -type f | while read -r f; do [ -f "$work/linux/$f" ] || echo "$f"; done)
[ -z "$extra" ] || { echo "only under Wine:"; echo "$extra"; differing=$((differing + 1)); }
echo "${#models[@]} models, ${#modes[@]} modes, $files files compared in $(( $(date +%s) - start )) s: $differing bytes differ"
[ "$differing" -eq 0 ]

#!/usr/bin/env bash
# Rebuilds the release twice from two clean clones of one commit (HEAD by
# default), in two folders of different names and lengths, one after the
# other (so at different times), the second with another umask and time zone,
# and compares the executable, its debug file and both zips byte for byte. It
# builds what the release workflow packages (the product's targets and cpack)
# without the tests, which the product does not depend on.
#   bash scripts/check-reproducible.sh [COMMIT]
set -eu
repo=$(cd "$(dirname "$0")/.." && pwd)
commit=$(git -C "$repo" rev-parse "${1:-HEAD}")
jobs=${VELMORA_JOBS:-$(nproc)}
work=$(mktemp -d /tmp/velmora-repro.XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "reproducible_check: $*" >&2; exit 1; }
[ -n "$(git -C "$repo" status --porcelain --untracked-files=no)" ] &&
  echo "reproducible_check: note: uncommitted changes are not part of the check; it builds $commit"

# build FOLDER: a clean clone of the commit, configured, built and packaged.
build() {
  local dir=$1
  git clone -q --no-checkout "$repo" "$dir"
  git -C "$dir" checkout -q --detach "$commit"
  (cd "$dir" && cmake --preset release -DVELMORA_TESTS=OFF >"$dir.configure.log" 2>&1 &&
    cmake --build --preset release -j "$jobs" >"$dir.build.log" 2>&1 &&
    cpack --preset release >"$dir.package.log" 2>&1) ||
    { cat "$dir".*.log >&2; fail "the build in $dir failed"; }
  grep -h -E '^-- (Unsigned|Signed)' "$dir.build.log" | head -1 || true
}

start=$(date +%s)
build "$work/a"
(umask 077; TZ=America/Sao_Paulo build "$work/second-build-in-a-longer-folder-name")
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$work/a/build/release/CMakeCache.txt")
files=(bin/ServicoVelmoraNFCe.exe bin/ServicoVelmoraNFCe.exe.debug
  "ServicoVelmoraNFCe-$version-win32.zip" "ServicoVelmoraNFCe-$version-win32-debug.zip")
for f in "${files[@]}"; do
  one=$work/a/build/release/$f two=$work/second-build-in-a-longer-folder-name/build/release/$f
  if [ ! -f "$one" ] || [ ! -f "$two" ]; then fail "$f was not made"; fi
  cmp "$one" "$two" >/dev/null || fail "$f differs between the two builds: $(cmp "$one" "$two" | head -1)"
  # Nothing of the machine: neither build folder, user nor host name, in ASCII or UTF-16.
  python3 - "$one" "$work" "$(id -un)" "$(hostname)" <<'PY' || fail "$f holds a name of the build machine"
import sys
data = open(sys.argv[1], "rb").read()
for needle in sys.argv[2:]:
    if len(needle) < 4 or needle == "root":  # too short, or every machine's
        continue
    for enc in ("utf-8", "utf-16-le"):
        if needle.encode(enc) in data:
            sys.exit("%s holds %r (%s)" % (sys.argv[1], needle, enc))
PY
  printf 'reproducible_check: %s  %s\n' "$(sha256sum "$one" | cut -d' ' -f1)" "$f"
done
# And what the first one packaged is what it built, SHA256SUMS included.
bash "$repo/tests/check-package.sh" "$work/a/build/release" "$version" >/dev/null
echo "reproducible_check: two builds of $commit (SOURCE_DATE_EPOCH=$(git -C "$repo" log -1 --format=%ct "$commit")) are byte-identical; $(($(date +%s) - start)) s"

#!/usr/bin/env bash
# Installs the Debian packages Larkspin needs.
#   scripts/install-deps.sh         what building and running need (scripts/deps/build/*.txt)
#   scripts/install-deps.sh test    that and what the tests, fuzzing and benchmarks need (scripts/deps/test/*.txt)
#   scripts/install-deps.sh bench   that and the peer programs the benchmarks compare with (scripts/deps/bench/*.txt)
# One package name per word, "#" starts a comment. Does nothing when every package is present; otherwise
# runs apt-get update once and installs the rest.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
lists=("$here"/deps/build/*.txt)
case "${1:-}" in
test) lists+=("$here"/deps/test/*.txt) ;;
bench) lists+=("$here"/deps/test/*.txt "$here"/deps/bench/*.txt) ;;
esac

mapfile -t wanted < <(cat "${lists[@]}" | sed 's/#.*//' | tr -s ' \t' '\n' | sed '/^$/d' | sort -u)
missing=()
for pkg in "${wanted[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$pkg" 2>/dev/null || true)
    [ "$status" = installed ] || missing+=("$pkg")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q "${missing[@]}"

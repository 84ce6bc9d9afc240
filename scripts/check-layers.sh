#!/usr/bin/env bash
# Checks the layers of the tree and prints every edge that breaks them:
#   - src/base is the ground: it includes and links nothing of ours from other folders;
#   - a plug-in (plugins/*) uses only plugins/ (the contract header, the kits, plugins/common) and
#     src/base, never src/app, src/codec, src/tags or any other folder of the program;
#   - src/app is the top (the running program and its shell windows): no other folder uses it.
# Reads the #include lines of src/ and plugins/ and, in their CMakeLists.txt, the names of our targets
# (what a folder links or depends on) and of our source folders (include directories). Exits 1 when an
# edge breaks a rule.
#   scripts/check-layers.sh           check
#   scripts/check-layers.sh --graph   also print which folders each folder includes and links
set -euo pipefail
cd "$(dirname "$0")/.."

graph=0
[ "${1:-}" = --graph ] && graph=1

# Sets layer to the layer a file belongs to: src/<folder> or plugins/<folder>; a file directly in src/
# or plugins/ belongs to src or plugins.
layer_of() {
    local rest=${1#*/}
    if [[ $rest == */* ]]; then
        layer=${1%%/*}/${rest%%/*}
    else
        layer=${1%%/*}
    fi
}

# Sets why to the rule that forbids from to use to, or to nothing when it may.
rule_broken() {
    local from=$1 to=$2
    why=
    [ "$from" = "$to" ] && return
    if [ "$to" = src/app ] && [[ $from == src/* ]]; then
        why="src/app is the top: nothing below it uses it"
        return
    fi
    case "$from" in
    src/base) why="src/base stands on nothing of ours" ;;
    plugins | plugins/*)
        case "$to" in
        plugins | plugins/* | src/base) ;;
        *) why="plug-ins use only plugins/ and src/base" ;;
        esac
        ;;
    esac
}

# The files of the tree: those git knows in a checkout, otherwise every file below src/ and plugins/.
tree_files() {
    if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        git ls-files -co --exclude-standard -- "${@/#/*}" | grep -E '^(src|plugins)/' | sort
    else
        local name args=()
        for name in "$@"; do args+=(-o -name "$name"); done
        find src plugins -type f \( "${args[@]:1}" \) | sort
    fi
}

mapfile -t sources < <(tree_files '*.h' '*.cpp' '*.c')
[ ${#sources[@]} -gt 0 ] || {
    echo "check-layers: no sources found under src/ and plugins/" >&2
    exit 2
}

# Our headers by file name, for includes found through a target's include directories.
declare -A header_at=()
for f in "${sources[@]}"; do
    [ -e "$f" ] || continue
    case "$f" in
    *.h) header_at[${f##*/}]+="$f " ;;
    esac
done

declare -A edges=()
broken=0

note_edge() { # from-layer to-layer what why
    edges["$1 $2"]=1
    rule_broken "$1" "$2"
    if [ -n "$why" ]; then
        echo "layer break: $3 ($why)"
        broken=1
    fi
}

# #include edges: "q file name" for #include "name", "a file name" for #include <name>.
existing=()
for f in "${sources[@]}"; do
    [ -e "$f" ] && existing+=("$f")
done
while read -r kind f name; do
    layer_of "$f"
    from=$layer
    dir=${f%/*}
    if [ "$kind" = q ] && [ -e "$dir/$name" ]; then
        target=$dir/$name
        [[ $target != */../* ]] || target=$(realpath --relative-to=. "$target")
    elif [ -e "plugins/include/$name" ]; then
        target="plugins/include/$name"
    else
        [ "$kind" = q ] || continue # a system header
        candidates=${header_at[${name##*/}]:-}
        [ -n "$candidates" ] || continue # not ours: a generated or a system header
        target=${candidates%% *}
        for c in $candidates; do # the one in the including folder wins
            layer_of "$c"
            [ "$layer" = "$from" ] && target=$c
        done
    fi
    case "$target" in
    src/* | plugins/*) ;;
    *) continue ;;
    esac
    layer_of "$target"
    note_edge "$from" "$layer" "$f includes $target"
done < <(awk 'match($0, /^[ \t]*#[ \t]*include[ \t]*["<][^">]*[">]/) {
        s = substr($0, RSTART, RLENGTH); kind = (s ~ /"/) ? "q" : "a"
        sub(/^[^"<]*["<]/, "", s); sub(/[">]$/, "", s); print kind, FILENAME, s }' "${existing[@]}")

# CMake edges: which folder defines each of our targets, then what each folder links and includes.
mapfile -t lists < <(tree_files CMakeLists.txt)
flat() { sed 's/#.*//' "$1" | tr '\n' ' '; }
declare -A target_in=()
for l in "${lists[@]}"; do
    [ -e "$l" ] || continue
    layer_of "$l"
    for t in $(flat "$l" | grep -o 'add_\(library\|executable\)([[:space:]]*[A-Za-z0-9_.+-]*' | sed 's/.*(//'); do
        target_in[$t]=$layer
    done
done
for l in "${lists[@]}"; do
    [ -e "$l" ] || continue
    layer_of "$l"
    from=$layer
    # Every word counts: target_link_libraries, add_dependencies and the LIBS of the plug-in functions.
    for word in $(flat "$l" | tr '()<>,;"' '       '); do
        if [ -n "${target_in[$word]:-}" ]; then
            note_edge "$from" "${target_in[$word]}" "$l uses the target $word (${target_in[$word]})"
        elif [[ $word =~ (CMAKE_SOURCE_DIR\}|PROJECT_SOURCE_DIR\}|\.\.)/((src|plugins)/[A-Za-z0-9_]+) ]]; then
            note_edge "$from" "${BASH_REMATCH[2]}" "$l names the folder $word"
        fi
    done
done

if [ $graph = 1 ]; then
    echo "Folders and the folders of ours they include or link:"
    declare -A uses=()
    for e in "${!edges[@]}"; do
        read -r a b <<<"$e"
        uses[$a]+=""
        [ "$a" = "$b" ] || uses[$a]+=" $b"
    done
    for a in $(printf '%s\n' "${!uses[@]}" | sort); do
        list=$(printf '%s\n' ${uses[$a]} | sort -u | tr '\n' ' ')
        list=${list% }
        echo "  $a -> ${list:-(nothing outside itself)}"
    done
fi

if [ $broken = 1 ]; then
    echo "check-layers: the layers are broken (see above)"
    exit 1
fi
echo "check-layers: src/base stands on nothing of ours; plug-ins use only plugins/ and src/base; nothing uses src/app"

#!/usr/bin/env bash
# Lists every #include of the program that runs against its layers, and every circle of includes
# between the files of one layer; prints nothing and exits 0 when there is none.
#
# The layers, from the bottom up: core < widgets < dialogs, reports < mainwindow < app. A file
# may include its own layer and the layers below it; dialogs and reports are peers and do not
# include each other; no file of the program includes tests, bench or fuzz, which may include
# anything themselves. The core uses Qt Core and Qt SQL only: no header of Qt Widgets, Qt Gui or
# Qt PrintSupport. Qt's headers are looked up in $QT_HEADERS, or where Debian keeps them.
#   check-layers.sh [REPOSITORY]
set -uo pipefail
cd "${1:-$(dirname "$0")/..}" || exit 2

declare -A rank=([core]=0 [widgets]=1 [dialogs]=2 [reports]=2 [mainwindow]=3 [app]=4)
layers="core widgets dialogs reports mainwindow app"

qt=${QT_HEADERS:-}
if [ -z "$qt" ]; then
    for d in /usr/include/*/qt6 /usr/include/qt6; do
        [ -d "$d/QtCore" ] && qt=$d && break
    done
fi
if [ ! -d "$qt/QtCore" ]; then
    echo "check-layers: Qt's headers are not found; set QT_HEADERS" >&2
    exit 2
fi

found=0
report() {
    echo "$1"
    found=1
}

# Normalises a path given relative to the repository: "a/b/../c" becomes "a/c".
normalise() {
    local part out=()
    local IFS=/
    for part in $1; do
        case $part in
        '' | .) ;;
        ..) [ ${#out[@]} -gt 0 ] && unset 'out[${#out[@]}-1]' ;;
        *) out+=("$part") ;;
        esac
    done
    echo "${out[*]}"
}

# The file an include names: beside the including file when it is there, else from the root.
resolve() {
    local dir=$1 name=$2
    if [ -e "$dir/$name" ]; then
        normalise "$dir/$name"
    else
        normalise "$name"
    fi
}

edges=$(mktemp)
trap 'rm -f "$edges"' EXIT

# shellcheck disable=SC2086
while IFS= read -r file; do
    layer=${file%%/*}
    dir=$(dirname "$file")
    stem=$(basename "${file%.*}")
    echo "$file $file" >>"$edges"
    while IFS=: read -r line text; do
        if [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"([^\"]+)\" ]]; then
            target=$(resolve "$dir" "${BASH_REMATCH[1]}")
            to=${target%%/*}
            if [ -z "${rank[$to]+set}" ] || [ "$target" = "$to" ]; then
                report "$file:$line: includes $target, which is not part of the program"
            elif [ "${rank[$to]}" -gt "${rank[$layer]}" ] ||
                { [ "${rank[$to]}" -eq "${rank[$layer]}" ] && [ "$to" != "$layer" ]; }; then
                report "$file:$line: includes $target: $layer may not use $to"
            elif [ "$to" = "$layer" ]; then
                # A file and its header are one piece; a circle runs between pieces.
                piece=$(basename "${target%.*}")
                [ "$piece" != "$stem" ] && echo "$dir/$stem $(dirname "$target")/$piece" >>"$edges"
            fi
        elif [ "$layer" = core ] &&
            [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\<([^\>]+)\> ]]; then
            header=${BASH_REMATCH[1]}
            for module in QtWidgets QtGui QtPrintSupport; do
                if [ "${header%%/*}" = "$module" ] ||
                    { [[ $header != */* ]] && [ -e "$qt/$module/$header" ]; }; then
                    report "$file:$line: includes <$header> of $module: the core has no widgets"
                fi
            done
        fi
    done < <(grep -n '^[[:space:]]*#[[:space:]]*include' "$file")
done < <(find $layers -type f \( -name '*.h' -o -name '*.cpp' \) | sort)

# tsort names the pieces of each circle it meets.
circles=$(tsort <"$edges" 2>&1 >/dev/null | grep -v 'input contains a loop' | sed -n 's/^tsort: //p')
if [ -n "$circles" ]; then
    report "circle of includes between: $(echo "$circles" | paste -sd " ")"
fi
exit "$found"

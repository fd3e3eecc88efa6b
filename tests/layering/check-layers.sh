#!/usr/bin/env bash
# Every program folder is one layer and includes only from itself and the folders below it,
# by the folder's name ("device/wireformat.h"); the four layers under the windows include no
# widget header. Prints each include that breaks the rule and fails when there is one.
#   check-layers.sh <source folder> <folder of the QtWidgets headers>
set -uo pipefail
root=$1
widgets=$2

declare -A allowed=(
    [device]=""
    [workbook]=""
    [records]="device workbook"
    [reports]="device workbook records"
    [ui]=""
    [settings]="ui device records"
    [analysis]="ui reports records workbook device"
    [monitor]="ui settings analysis records device"
    [app]="ui monitor"
    [cli]="device workbook records reports"
)
windowless="device workbook records reports"

broken=0
for folder in "${!allowed[@]}"; do
    for file in "$root/$folder"/*.cpp "$root/$folder"/*.h; do
        [[ -e $file ]] || continue
        while IFS= read -r header; do
            if [[ $header == */* ]]; then
                layer=${header%%/*}
                [[ " ${allowed[$folder]} " == *" $layer "* ]] && continue
                echo "$file: \"$header\" reaches $layer/, which $folder/ may not include"
                broken=1
            elif [[ ! -e "$root/$folder/$header" && $header != ui_*.h && $header != *.moc ]]; then
                echo "$file: \"$header\" is no header of $folder/; name its folder"
                broken=1
            fi
        done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
        [[ " $windowless " == *" $folder "* ]] || continue
        while IFS= read -r header; do
            if [[ -e "$widgets/${header#QtWidgets/}" || $header == qcustomplot.h ]]; then
                echo "$file: <$header> is a widget header, which $folder/ may not include"
                broken=1
            fi
        done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*<\([^>]*\)>.*/\1/p' "$file")
    done
done
exit $broken

#!/usr/bin/env bash
# Every text the program shows passes through the translation lookup, and the Japanese
# catalogue translates every text so looked up.
#   check-catalogue.sh SOURCE_DIR
set -euo pipefail
src=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

find "$src"/core "$src"/resources "$src"/history "$src"/net "$src"/ui \( -name '*.cpp' -o -name '*.h' \) |
    sort > "$work/files"
xgettext --from-code=UTF-8 -C -k_ -kwxTRANSLATE -kwxPLURAL:1,2 --files-from="$work/files" \
    -o "$work/roduviriz.pot"

ids() { msgcat --no-wrap "$1" 2>/dev/null | sed -n 's/^msgid "\(..*\)"$/\1/p' | sort -u; }
ids "$work/roduviriz.pot" > "$work/looked-up"
ids "$src/po/ja.po" > "$work/translated"

status=0
# The texts the user sees (the catalogue's entries) must all be looked up in the sources...
if comm -13 "$work/looked-up" "$work/translated" | grep .; then
    echo "^ shown without passing through the translation lookup"
    status=1
fi
# ...and every text the sources look up must have its translation.
if comm -23 "$work/looked-up" "$work/translated" | grep .; then
    echo "^ looked up but missing from po/ja.po"
    status=1
fi
if msgattrib --untranslated --no-obsolete "$src/po/ja.po" | grep -q '^msgid "..' ||
    msgattrib --only-fuzzy "$src/po/ja.po" | grep -q '^msgid "..'; then
    echo "po/ja.po has untranslated or fuzzy entries"
    status=1
fi
[ $status -eq 0 ] && echo "catalogue complete: $(wc -l < "$work/looked-up") texts"
exit $status

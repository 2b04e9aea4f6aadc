#!/usr/bin/env bash
# Starts the real host under a Japanese locale against the simulated site and checks that
# the main window's title and menus come out in Japanese. Runs on a display (gui-session).
#   check-japanese-ui.sh BIN_DIR
set -uo pipefail
bin=$(readlink -f "$1")
work=$(mktemp -d)
site=""
cleanup() {
    [ -n "$site" ] && kill "$site" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

"$bin/sitesim" --port 0 --performers 5 --tick 0 --seed 1 > "$work/site.out" &
site=$!
for _ in $(seq 100); do
    port=$(sed -n 's/^PORT \([0-9]*\)$/\1/p' "$work/site.out")
    [ -n "$port" ] && break
    sleep 0.05
done
[ -n "${port:-}" ] || { echo "FAIL: sitesim did not start"; exit 1; }

mkdir -p "$work/home"
printf '[Site]\nwebHost=127.0.0.1:%s\nimageHost=127.0.0.1:%s\npreviewHost=127.0.0.1:%s\n[SplashScreen]\nduration=1\n' \
    "$port" "$port" "$port" > "$work/home/.Roduviriz"

out=$(LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 HOME="$work/home" timeout 60 "$bin/roduviriz" --dump-ui)
status=$?
echo "$out"
[ $status -eq 0 ] || { echo "FAIL: the host ended with status $status"; exit 1; }

expected=(
    "window: オルラヴィン・ジロヴウダロロ"
    "menu: ファイル(&F)"
    "item: 終了(&X)"
    "menu: ツール(&T)"
    "item: お気に入りを更新(&U)"
    "item: お気に入りだけを通知(&P)"
    "item: 設定(&E)..."
    "item: 通知を一時停止(&A)"
)
for line in "${expected[@]}"; do
    grep -qxF "$line" <<<"$out" || { echo "FAIL: missing \"$line\""; exit 1; }
done
# Alt and a letter must reach one item of a menu: no mnemonic twice within one.
twice=$(awk '/^menu: / { delete seen; next }
    /^item: / { if (match($0, /&./)) { k = tolower(substr($0, RSTART + 1, 1)); if (seen[k]++) print } }' <<<"$out")
[ -z "$twice" ] || { echo "FAIL: a mnemonic used twice in one menu: $twice"; exit 1; }
echo "Japanese title and menus shown"

#!/usr/bin/env bash
# A real crawler over the folder listing: the headless server with --list
# serves a tree whose names hold what HTML and URLs treat specially (< > & "
# ' # % + ?), spaces, Chinese and emoji, nested three deep; `wget -r` from
# "/" must come back with every visible file byte for byte, and with nothing
# of what is hidden or cannot be fetched. Usage: listing_crawl_test.sh HEADLESS
set -uo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck source=SCRIPTDIR/headless_lib.sh
source "$HERE/headless_lib.sh"
ensure_packages wget || exit 1

headless="$1"
export LC_ALL=C.UTF-8

site="$work/site"
# Fetched through the listing, each with bytes of its own.
visible=(
  "a<b>.txt" "x & y.txt" 'quote".txt' "it's.txt" "#hash.txt" "100%.txt" "a+b.txt"
  "two  spaces .txt" "照片.png" "😀 smile.txt" "2.jpg" "10.jpg"
  "文件夹/说明.pdf" "文件夹/视频.mp4"
  "<dir> & \"q\"/inner 'one'.txt"
  "层一 #1/层二 %2/层三 😀 & <x>/deep +1.txt"
  "层一 #1/层二 %2/层三 😀 & <x>/深.txt"
  "层一 #1/层二 %2/mid.txt"
  "层一 #1/top.txt"
)
# Never listed: hidden, or named so that no request could fetch it.
left_out=(".hidden.txt" ".hidden dir/x.txt" "层一 #1/.secret" "what?.txt" "con" "a:b.txt"
  "层一 #1/nul.txt")
for name in "${visible[@]}" "${left_out[@]}"; do
  mkdir -p "$site/$(dirname "$name")"
  head -c $((RANDOM % 5000 + 1)) /dev/urandom >"$site/$name"
done

launch_listing() {
  "$headless" --list "$site" "$1" >"$work/out" 2>&1 </dev/null &
  server_pid=$!
}
start_on_free_port "$work/out" launch_listing || exit 1

got="$work/got"
# nocontrol: the UTF-8 bytes of a name are kept as they are, not escaped.
# The folders' archives and the pictures' thumbnails are the same files again.
if ! timeout 60 wget -r -l 10 -np -nH -q -e robots=off --restrict-file-names=nocontrol \
  --reject-regex '/:(zip|thumb)/' \
  -P "$got" "http://127.0.0.1:$port/"; then
  echo "wget failed (exit $?)"
  exit 1
fi

failed=0
for name in "${visible[@]}"; do
  if ! cmp -s "$site/$name" "$got/$name"; then
    echo "not fetched byte for byte: $name"
    failed=1
  fi
done
# Besides the files, only the pages of the folders (saved as index.html).
extra="$(cd "$got" && find . -type f ! -name index.html | sed 's|^\./||' | sort)"
expected="$(printf '%s\n' "${visible[@]}" | sort)"
if [ "$extra" != "$expected" ]; then
  echo "the crawl found other files than the visible ones:"
  diff <(echo "$expected") <(echo "$extra")
  failed=1
fi
[ "$failed" -eq 0 ] && echo "wget fetched all ${#visible[@]} visible files byte for byte"
exit "$failed"

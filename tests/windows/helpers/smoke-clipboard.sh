#!/usr/bin/env bash
# ClipHelper's round trip between processes: what one process puts, the next
# finds, in Wine's enumeration order, after the putting process has ended.
# usage: smoke-clipboard.sh ClipHelper.exe
set -uo pipefail
source "$(dirname "$0")/smoke-lib.sh"
clip=$1
c() { "$wine_run" "$clip" "$@"; }
# put_ok ARGS: puts data, counting a refusal as a failed check.
put_ok() { c "$@" >/dev/null || { echo "FAIL ClipHelper $*"; failures=$((failures + 1)); }; }

c empty
check "count after empty" "0" "$(c count)"
c wait-empty 0 >/dev/null
check "wait-empty on an empty clipboard" "0" "$?"

# A bitmap: the data crosses processes and Wine adds the DIB formats. The
# corner colours show that the pattern is upright, whatever the storage.
corners="tl=ff0000 tr=00ff00 bl=0000ff br=ffff00 frame=000000 centre=ffffff"
put_ok bitmap 64 48
check "formats of a bitmap" $'2 CF_BITMAP\n8 CF_DIB\n17 CF_DIBV5' "$(c formats)"
check "the bitmap read by another process" "2 CF_BITMAP width=64 height=48 bpp=32 $corners" "$(c describe CF_BITMAP)"
for variant in "--as dib --bpp 32" "--as dib --bpp 24 --topdown" "--as dib --bpp 8 --palette" \
               "--as dib --bpp 4 --topdown" "--as dibv5 --bpp 8 --topdown"; do
  c empty
  put_ok bitmap 64 48 $variant
  check "the bitmap Wine makes of a DIB ($variant)" "2 CF_BITMAP width=64 height=48 bpp=32 $corners" "$(c describe CF_BITMAP)"
done
put_ok bitmap 64 48 --as dib --bpp 8 --topdown --palette
check "an 8-bit top-down DIB with its palette" \
  $'8 CF_DIB bytes=4136 header=40 width=64 height=-48 bpp=8 compression=0 clrused=0\n9 CF_PALETTE entries=256' \
  "$(c describe CF_DIB CF_PALETTE)"
put_ok bitmap 64 48 --bpp 1
check "a 1-bit bitmap marks only the top-left block" \
  "2 CF_BITMAP width=64 height=48 bpp=32 tl=000000 tr=ffffff bl=ffffff br=ffffff frame=000000 centre=ffffff" \
  "$(c describe CF_BITMAP)"

# Enhanced metafiles carry exactly the header asked for, bad values included.
put_ok emf --frame-mm 100 50 --refdev-px 1024 768 --refdev-mm 320 240
check "formats of a metafile" $'14 CF_ENHMETAFILE\n3 CF_METAFILEPICT' "$(c formats)"
check_has "the metafile header" "frame=0,0,10000,5000 device=1024,768 mm=320,240" "$(c describe CF_ENHMETAFILE)"
put_ok emf --frame -2147483648 0 2147483647 100 --refdev-px 0 -1 --refdev-mm -5 0
check_has "a metafile header with unusable sizes" "frame=-2147483648,0,2147483647,100 device=0,-1 mm=-5,0" \
  "$(c describe CF_ENHMETAFILE)"
put_ok emf --records 1000
check_has "extra records" "records=1056 " "$(c describe CF_ENHMETAFILE)"

# Several formats in one opening keep the order given; Wine's own formats follow.
put_ok put text "hello" + bitmap 16 16
check "text with a bitmap" $'13 CF_UNICODETEXT\n2 CF_BITMAP\n16 CF_LOCALE\n1 CF_TEXT\n7 CF_OEMTEXT\n8 CF_DIB\n17 CF_DIBV5' "$(c formats)"
put_ok put bitmap 16 16 + emf
check "bitmap first" $'2 CF_BITMAP\n14 CF_ENHMETAFILE\n3 CF_METAFILEPICT\n8 CF_DIB\n17 CF_DIBV5' "$(c formats)"
put_ok put emf + bitmap 16 16
check "metafile first" $'14 CF_ENHMETAFILE\n2 CF_BITMAP\n3 CF_METAFILEPICT\n8 CF_DIB\n17 CF_DIBV5' "$(c formats)"
put_ok text "日本語 ü"
check "UTF-8 text" "13 CF_UNICODETEXT bytes=12 text=日本語 ü" "$(c describe CF_UNICODETEXT)"

# Metafile pictures: Wine makes an enhanced metafile of one, unless one was
# promised and never rendered, which Wine drops when the promising process ends.
put_ok metafilepict
check "formats of a metafile picture" $'3 CF_METAFILEPICT\n14 CF_ENHMETAFILE' "$(c formats)"
check_has "the enhanced metafile Wine makes of it" "frame=0,0,10000,5000" "$(c describe CF_ENHMETAFILE)"
put_ok metafilepict --no-emf
check "a metafile picture without an enhanced metafile" "3 CF_METAFILEPICT" "$(c formats)"

put_ok own-format
check_has "the program's own format alone" " Wendrask Picture" "$(c formats)"
check "one format" "1" "$(c count)"

printf 'BM' > "${TMPDIR:-/tmp}/clip-smoke-$$.bin"
put_ok dib-raw "${TMPDIR:-/tmp}/clip-smoke-$$.bin"
check_has "a raw DIB goes on as it is" "8 CF_DIB bytes=2" "$(c formats; c describe CF_DIB)"
rm -f "${TMPDIR:-/tmp}/clip-smoke-$$.bin"

c empty
check "count after empty" "0" "$(c count)"
put_ok text x
c wait-empty 200 2>/dev/null
check "wait-empty times out while data stays" "1" "$?"
c empty
finish

#!/usr/bin/env bash
# A scripted run of a few thousand CDSs under valgrind's memcheck: an invalid
# read or write, a use of uninitialised memory or a lost block fails. Two
# files taking turns, overlaps, repeats, alternatives, complement and partial
# locations, CDSs with no complete segment.
set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
awk 'BEGIN {
  for (i = 0; i < 3000; i++) {
    p = 1 + i * 400
    if (i % 7 == 0) loc = "complement(join(<" p ".." p + 100 "," p + 200 "..>" p + 450 "))"
    else if (i % 11 == 0) loc = p ".."
    else loc = p ".." p + 300 + (i % 5) * 10
    printf "#CDS=%s\n#gene=g%d\n#file=genome%d.gb\n#contig=%d\nend\n", loc, int(i / 3), i % 2, int(i / 2) % 2 + 1
  }
}' > listing.txt
printf 'listing.txt\nout\nG\n' |
  valgrind --quiet --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite,indirect "$1" > console.txt
grep -q '^3000 CDSs in input file\.$' console.txt && grep -q '^REZI2_d1 done\.$' console.txt && test -s out.t2
# gzip keeps the file's name in the member's header: one longer than the
# first bytes looked at is read whole before it is inflated.
gzip -k listing.txt
valgrind --quiet --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite,indirect "$1" -q -@ 2 -o out.gz.t2 listing.txt.gz
cmp out.t2 out.gz.t2

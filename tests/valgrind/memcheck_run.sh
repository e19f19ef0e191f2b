#!/usr/bin/env bash
# A scripted run over a listing of a few thousand CDSs under valgrind's
# memcheck: any invalid read or write, use of uninitialised memory or lost
# block fails. The record table is released by process exit, as designed,
# so memory still reachable at exit is not an error.
set -euo pipefail
tarn2=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
# Genes along two contigs of two files: overlaps, repeats, alternatives,
# complement and partial locations, and a CDS with no complete segment.
awk 'BEGIN {
  for (i = 0; i < 3000; i++) {
    file = "genome" (i % 2) ".gb"; contig = int(i / 2) % 2 + 1; p = 1 + i * 400
    if (i % 7 == 0) loc = "complement(join(<" p ".." p + 100 "," p + 200 "..>" p + 450 "))"
    else if (i % 11 == 0) loc = p ".."
    else loc = p ".." p + 300 + (i % 5) * 10
    printf "#CDS=%s\n#gene=g%d\n#file=%s\n#contig=%d\nend\n", loc, int(i / 3), file, contig
  }
}' > listing.txt
printf 'listing.txt\nout\nG\n' |
  valgrind --quiet --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite,indirect \
    "$tarn2" > console.txt
grep -q '^3000 CDSs in input file\.$' console.txt
grep -q '^REZI2_d1 done\.$' console.txt
test -s out.t2
echo "memcheck: no errors"

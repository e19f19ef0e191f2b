#pragma once
// The line that opens a flat-file record: GenBank's LOCUS line, EMBL's ID line.

#include "annotation/annotated_cds.h"

#include <string_view>

// Whether `line` opens a GenBank record: "LOCUS" then white space or the
// line's end.
bool isLocusLine(std::string_view line);
// Whether `line` opens an EMBL record: "ID" then white space or the line's end.
bool isEmblIdLine(std::string_view line);

// The contig a LOCUS line describes. Fields are split at white space. The
// name is the second field; circular when a field is exactly "circular";
// the length is a field of digits followed by a field "bp" (the first such
// pair), 0 when there is none or it does not fit in 63 bits.
AnnotatedContig parseLocusLine(std::string_view line);

// The contig an EMBL ID line describes. Fields are split at white space and
// ';'. The name is the first field after "ID"; circular when a field is
// exactly "circular"; the length is a field of digits followed by a field
// "BP." or "BP", 0 when there is none or it does not fit in 63 bits.
AnnotatedContig parseEmblIdLine(std::string_view line);

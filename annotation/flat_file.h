#pragma once
// GenBank and EMBL flat files: the CDS features of every record, with the
// values a listing's five-line group of the same CDS holds, and each
// record's name, shape and length.

#include "annotation/annotated_cds.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

enum class FlatFormat { GENBANK, EMBL };

// Whether `head` (an input's first bytes after decompression, up to 64 KiB;
// may end mid-line) is such a flat file: its first line that is not blank
// opens a record ("LOCUS" or "ID" then white space). A GenBank release file,
// whose first line holds "Genetic Sequence Data Bank", passes when a LOCUS
// line follows within `head`.
bool looksLikeFlatFile(std::string_view head, FlatFormat format);

// Where a flat file's bytes may be cut so that both sides parse apart: just
// after the line feed that ends the last line starting with "//" in `bytes`;
// 0 when no such line ends in them. Scans backwards from the end, so a call
// costs the bytes after that line, not the whole buffer.
size_t cutAfterLastRecord(std::string_view bytes);

struct FlatFileBlock {
  std::vector<AnnotatedCds> cds;         // in file order; contig = the record's number within the text, from 1
  std::vector<AnnotatedContig> records;  // every record of the text in order: contig k is records[k - 1]
  int64_t lines = 0;                     // line feeds in the text (the caller adds them up for line numbers)
  AnnotationError error;                 // the first problem; `cds` holds the CDSs before it
};

// Parses `text`: whole records, as cut by cutAfterLastRecord, or the rest of
// a file at its end. Lines numbered from 1 within `text`; `out` is replaced.
//
// A record runs from its LOCUS (ID) line to the first line that starts with
// "//"; lines outside records are skipped, whatever they hold. Within a
// record only the feature table is read (GenBank: the lines after FEATURES
// up to the next line that does not start with white space; EMBL: the FT
// lines), and the sequence after ORIGIN (SQ) is crossed without reading it.
// A feature line whose first non-blank character is '/' opens a qualifier;
// one whose first non-blank character stands in column 22 or later (EMBL:
// counting "FT" as columns 1 and 2) continues the location or qualifier
// before it; any other opens a feature, its key the first word and its
// location the rest of the line. Every feature keyed exactly "CDS" gives
// one AnnotatedCds. A quoted value runs to its closing quote whatever the
// lines between hold, but not past the record's end.
//
// Refuses, with the line and nothing from that line on (a CDS the problem
// lies in is dropped, so is a record without its "//"): a record with no
// "//" line before the text ends or the next record opens ("record has no
// // line"); a quoted value with no closing quote before the record ends
// ("qualifier /NAME has no closing quote", at the qualifier's first line).
void parseFlatFile(std::string_view text, FlatFormat format, FlatFileBlock& out);

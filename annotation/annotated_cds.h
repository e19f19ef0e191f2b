#pragma once
// One CDS of an annotation file (GenBank, EMBL, GFF3, GTF) as the values of
// a listing's five-line group, so that every format gives the table that the
// listing of the same annotation gives; and what an annotation says of the
// sequences the CDSs lie on.

#include <cstdint>
#include <string>

struct AnnotatedCds {
  std::string location;  // feature-table notation, as a listing's "#CDS=" line holds it after the key
  std::string gene;      // as a listing's "#gene=" line holds it after the key; may be empty
  int64_t contig = 0;    // the record's or sequence's number, from 1, in the text parsed
  int64_t line = 0;      // the CDS's first line, from 1, in the text parsed: for messages
};

struct AnnotatedContig {
  std::string name;       // LOCUS name, EMBL ID, or GFF3/GTF sequence id
  bool circular = false;  // the record says so (GenBank, EMBL: "circular"; GFF3: Is_circular=true)
  int64_t length = 0;     // bases, as the record gives them; 0 when not known
};

// What makes an annotation unreadable, where: the text parsed up to it is
// taken, nothing after it.
struct AnnotationError {
  int64_t line = 0;     // from 1, in the text parsed; 0 when there is no error
  std::string message;  // "CDS line has 8 columns, want 9": no file name, no line number
};

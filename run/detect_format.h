#pragma once
// What an input holds, told by its first bytes after decompression, as
// compression itself is told.

#include "io/listing_source.h"
#include "run/run_types.h"

#include <string>

// Reads the head of `input` (decoding it when `decompress`), then puts it
// back at its start. GenBank ("LOCUS"), EMBL ("ID   "), GFF3 ("##gff-version
// 3", or nine columns with key=value attributes), GTF (nine columns with
// key "value"; attributes); anything else is a listing. False with `error`
// set when the input cannot be read.
bool detectFormat(ListingSource& input, bool decompress, InputFormat& format, std::string& error);

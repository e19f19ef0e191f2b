#pragma once
// The lookup table: one eleven-line entry per gene.

// Writes an entry for every first listing, in table order, to outputStream and
// sets nGenesOut; halts when the table cannot be written.
void writeLookupTable();

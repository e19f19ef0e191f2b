#pragma once
// The serial heart of a reading: parsed blocks taken in listing order, their
// CDSs numbered, and each source file gathered whole. Three strategies, one
// per reading (see make_table.h for when each runs): the look keeps no CDS,
// the grouped reading hands on batches of whole files as soon as they are
// whole, the whole reading keeps every CDS in one store.
//
// The listing's CDS count is known only at its end: a group past it is no
// CDS, and a listing that ends before it gets empty CDSs. So CDSs are handed
// on only when their file has ended and every one lies within the count so
// far (the count only grows), and the end pads or drops.

#include "listing/listing_block.h"
#include "run/piece.h"

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

// Where the listing stands: groups and counted CDSs so far, the first refusal.
struct ListingCount {
  int64_t groups = 0;   // the next group's number, from 0
  int64_t count = 0;    // lines holding "#CDS=" in the blocks taken so far
  int64_t refused = -1; // number of the first refused group, from 0
  Problem problem{};
  // The first group that a source file's CDSs come back at, after another
  // file's: the listing is not grouped. -1 when none has.
  int64_t cameBackAt = -1;
  std::string cameBack;

  // Takes a block's count and, once the runs before it are taken, its refusal.
  void countBlock(const ParsedBlock& block) { count += block.count; }
  // A refusal within the count stops the run; past it, the group was no CDS.
  bool refusedWithin() const { return refused >= 0 && refused < count; }
  bool cameBackWithin() const { return cameBackAt >= 0 && cameBackAt < count; }
};

// Watches the source file names go by: a name that comes back after another
// file's CDSs means the listing is not grouped.
class FileOrder {
 public:
  // Whether the run named `file` starting at group `at` begins another file;
  // notes a file that comes back.
  bool starts(const std::string& file, ListingCount& count);

 private:
  std::string current_;
  bool any_ = false;
  std::unordered_set<std::string> finished_;
};

// The look: file names alone, to learn whether the listing is grouped.
class LookGather {
 public:
  void take(ParsedBlock& block);
  // At the end: the empty CDSs a listing shorter than its count gets are of
  // the file with the empty name, which may come back.
  void finish();
  ListingCount count;

 private:
  FileOrder order_;
};

// File by file. `stopAtComeback`: a file that comes back ends the reading at
// once (the table can be taken back and the listing read whole); else it is
// only noted (the look found the listing grouped, so it changed).
class GroupedGather {
 public:
  explicit GroupedGather(bool stopAtComeback) : stopAtComeback_(stopAtComeback) {}
  // Appends to `ready` the batches of whole files that can be sent. False
  // when the reading must stop at a file that comes back.
  bool take(ParsedBlock& block, std::vector<Piece>& ready);
  // At the end of the listing: pads or drops to the count, sends the rest.
  // False, as `take`, when the padding's unnamed file comes back.
  bool finish(std::vector<Piece>& ready);
  ListingCount count;

 private:
  void endFile();
  void send(bool evenIfSmall, std::vector<Piece>& ready);

  bool stopAtComeback_;
  FileOrder order_;
  Together file_;                // the runs of the file being read
  std::vector<Together> batch_;  // whole files waiting to be sent
  size_t batchCds_ = 0;
  bool sentAny_ = false;         // the first batch goes with its first whole file, so the table starts early
  int64_t batchEnd_ = 0;         // the number of the group after the batch's last
};

// Every CDS in one store, analysed at the end.
class WholeGather {
 public:
  void take(ParsedBlock& block);
  // Pads or drops to the count; the store of every CDS.
  CdsStore finish();
  ListingCount count;

 private:
  FileRun all_;
};

// Drops, from the end of `runs`, CDSs up to `excess` of them; returns how
// many it dropped.
int64_t dropLast(Together& runs, int64_t excess);

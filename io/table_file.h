#pragma once
// A table that is never left partial where a name can protect it: a new or
// replaced file is written to a temporary file beside it and renamed into
// place when whole; standard output, devices, named pipes and /dev/stdout or
// /proc/self/fd/N are written in place.

#include "io/table_sink.h"

#include <string>

class TableFile : public TableSink {
 public:
  ~TableFile() override;

  // Opens the table named `name`. A symbolic link is followed: the file it
  // points to is replaced and the link stays. An existing regular file is
  // replaced only with `force`, keeping its permission bits. False with
  // `error` set ("NAME: reason") when the table cannot be started.
  bool open(const std::string& name, bool force, std::string& error);
  // Writes in place on `fd` (standard output, or a file the caller opened),
  // which the table does not close.
  void openOn(int fd);

  bool write(std::string_view bytes) override;
  bool canTakeBack() const override { return startOffset_ >= 0; }
  // Where a table that can be taken back begins.
  long long startOffset() const { return startOffset_; }
  bool takeBack() override;

  // Closes the table, so that a failed close shows before anything is put
  // in place. False with `error` set.
  bool close(std::string& error);
  // Puts a closed table's temporary file onto its name, without replacing a
  // file that appeared meanwhile unless forced; a replaced file is kept (in
  // the temporary file's place) until settle() or unplace(). False with
  // `error` set, nothing changed.
  bool place(std::string& error);
  // Undoes place(): the old file, or none, is back under the name.
  void unplace();
  // Drops the replaced file kept by place().
  void settle();
  // Removes what an unfinished table left.
  void abandon();
  // The temporary file, until the table is in place; empty when written in place.
  const std::string& temporaryPath() const { return temporary_; }
  // The name as given to open().
  const std::string& name() const { return name_; }
  // The last write failed because the reader of a pipe went away.
  bool readerGone() const { return readerGone_; }

 private:
  bool startOn(int fd, bool owned);

  int fd_ = -1;
  bool owned_ = false;        // fd_ is closed by close() or abandon()
  bool appends_ = false;      // fd_ was opened to append
  long long startOffset_ = -1;  // where the table starts, for a regular file; -1 when it cannot be taken back
  bool force_ = false;
  std::string name_;          // as given
  std::string target_;        // the file a temporary file is renamed onto
  std::string temporary_;
  bool exchanged_ = false;    // placed: the temporary name holds the file it replaced
  bool placed_ = false;
  bool readerGone_ = false;
};

// Puts every table in place, all or none: closes them all, then places them
// one by one, and if one cannot be placed takes the others back out, their
// old files restored. False with `error` set.
bool placeTogether(TableFile* const* tables, size_t n, std::string& error);

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
  bool takeBack() override;

  // Puts the whole table in place: closes it and renames a temporary file
  // onto the name, without replacing a file that appeared meanwhile unless
  // forced. False with `error` set.
  bool commit(std::string& error);
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
  bool owned_ = false;        // fd_ is closed by commit() or abandon()
  bool appends_ = false;      // fd_ was opened to append
  long long startOffset_ = -1;  // where the table starts, for a regular file; -1 when it cannot be taken back
  bool force_ = false;
  std::string name_;          // as given
  std::string target_;        // the file a temporary file is renamed onto
  std::string temporary_;
  bool readerGone_ = false;
};

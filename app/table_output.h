#pragma once
// Where a command-line run puts its table so that nothing partial is left:
// a temporary file beside the named file, renamed onto it only when the table
// is whole and closed; or, for standard output and files that are no regular
// files, a temporary file copied out at the end, since a listing found not
// grouped by source file starts the table again.

#include "app/table_run.h"

#include <memory>
#include <string>

// A sink on an open file descriptor, which it does not close.
class FileSink : public RestartableSink {
 public:
  explicit FileSink(int fd) : fd_(fd) {}
  bool write(std::string_view bytes) override;
  bool restart() override;  // only for a regular file

 private:
  int fd_;
};

class TableOutput {
 public:
  ~TableOutput();
  // `name` "-" is standard output. An existing file is replaced only with
  // `force`. False with `error` set when the table cannot be started.
  bool open(const std::string& name, bool force, std::string& error);
  FileSink& sink() { return *sink_; }
  // The table goes to a temporary file in $TMPDIR first.
  bool keptAside() const { return destination_ >= 0; }
  // Puts the whole table in place; false with `error` set when that fails.
  // A reader of standard output that went away is no error to report:
  // `closedPipe` is set instead.
  bool commit(std::string& error, bool& closedPipe);
  // Removes what a failed run left.
  void abandon();

 private:
  int fd_ = -1;           // the table as it is written
  int destination_ = -1;  // where a kept-aside table is copied at the end
  std::string name_;
  std::string temporary_;  // path of the temporary file beside name_, until renamed
  std::unique_ptr<FileSink> sink_;
};

// A temporary file in $TMPDIR (or /tmp), already unlinked: -1 on failure.
int anonymousTemporaryFile(std::string& error);

// A new file beside `name` (same folder, named ".NAME.XXXXXX"), with the mode
// of an ordinary new file; its path in `path`. -1 with `error` set on failure.
int temporaryBeside(const std::string& name, std::string& path, std::string& error);

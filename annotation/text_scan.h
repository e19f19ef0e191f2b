#pragma once
// Scans over a flat file's bytes that run at memory speed: a flat file is
// mostly sequence and translations, which are never read line by line.

#include <cstddef>
#include <cstdint>
#include <string_view>

// Where the first line that starts with "//" at or after `from` begins
// (`from` counts as a line start only when it is 0 or follows a line feed);
// npos when there is none.
size_t findRecordEndLine(std::string_view text, size_t from);

// Whether a line in text[from, to) other than one beginning at `from` itself
// starts with "//".
bool spansRecordEnd(std::string_view text, size_t from, size_t to);

// Where the last line that starts with "//" and begins before `end` begins;
// npos when there is none. Costs the bytes from there to `end`.
size_t findLastRecordEndLine(std::string_view text, size_t end);

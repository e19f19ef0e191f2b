#pragma once
// Counting the line feeds of text, which says where its lines stand.

#include <cstddef>
#include <string_view>

// The number of line feeds in `bytes`.
size_t countLineFeeds(std::string_view bytes);

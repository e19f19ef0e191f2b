#pragma once
// How many alternative CDSs (distinct segment lists) a gene has.

#include "cds/cds_store.h"

#include <cstdint>

// The number of alternatives of a gene whose listings are `members`, in index order.
int32_t countAlternatives(const CdsStore& store, const uint32_t* members, uint32_t count);

#pragma once
// zstd frames, one after another, decoded by libzstd as they stream in.

#include "listing/stream_decoder.h"

#include <memory>

std::unique_ptr<StreamDecoder> makeZstdDecoder();

#pragma once
// zstd frames, one after another, decoded by libzstd as they stream in.

#include "io/stream_decoder.h"

#include <memory>

std::unique_ptr<StreamDecoder> makeZstdDecoder();

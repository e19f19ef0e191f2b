#pragma once
// bzip2 streams, one at a time, decoded by libbz2.

#include "io/stream_decoder.h"

#include <memory>

std::unique_ptr<StreamDecoder> makeBzip2Decoder();

#pragma once
// xz streams, concatenated ones read on as one, decoded by liblzma.

#include "io/stream_decoder.h"

#include <memory>

std::unique_ptr<StreamDecoder> makeXzDecoder();

#pragma once
// gzip members, one at a time, inflated by ISA-L as they stream in.

#include "io/stream_decoder.h"

#include <memory>

std::unique_ptr<StreamDecoder> makeGzipDecoder();

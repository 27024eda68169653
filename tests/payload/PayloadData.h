// Payload streams made by the tests themselves, and files to inflate them into.
#pragma once

#include "common/UniqueHandle.h"
#include "payload/Payload.h"

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

// `size` bytes that compress, but not trivially: text mixed with noise.
Bytes SampleData(size_t size, uint32_t seed = 1);

// A zlib stream of `data` at level 9, as the build makes its records.
Bytes Compress(const Bytes& data);

// A view over a stream held by the test.
PayloadView ViewOf(const Bytes& stream, uint32_t declaredSize);

// A new file at `path`, open for writing (or only for reading).
UniqueFile CreateOutput(const std::string& path, DWORD access = GENERIC_WRITE);

// The loader's own version, as its version resource states it (the vendor
// kit writes the product's version there).
#pragma once

#include <cstddef>
#include <string>

// "a.b.c.d" from the fixed file information in the version block `block` of
// `size` bytes; empty when it holds none.
std::string FixedFileVersion(const unsigned char* block, size_t size);

// The loader's file version; empty when its version resource cannot be read.
std::string LoaderVersion();

#include "PayloadData.h"

#include <zlib.h>

Bytes SampleData(size_t size, uint32_t seed)
{
    static const char words[] = "setup loader payload record stream window percent ";
    Bytes data(size);
    uint32_t state = seed;
    for (size_t i = 0; i < size; ++i) {
        state = state * 1664525u + 1013904223u;
        // Every eighth byte is noise, the rest a repeating text.
        data[i] = (i % 8 == 7) ? static_cast<unsigned char>(state >> 24)
                               : static_cast<unsigned char>(words[i % (sizeof words - 1)]);
    }
    return data;
}

Bytes Compress(const Bytes& data)
{
    uLongf length = compressBound(static_cast<uLong>(data.size()));
    Bytes stream(length);
    if (compress2(stream.data(), &length, data.data(), static_cast<uLong>(data.size()), 9) != Z_OK)
        return {};
    stream.resize(length);
    return stream;
}

PayloadView ViewOf(const Bytes& stream, uint32_t declaredSize)
{
    PayloadView view;
    view.Stream = stream.data();
    view.StreamLength = static_cast<uint32_t>(stream.size());
    view.DeclaredSize = declaredSize;
    return view;
}

UniqueFile CreateOutput(const std::string& path, DWORD access)
{
    return UniqueFile(CreateFileA(path.c_str(), access, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
}

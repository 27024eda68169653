// Names of the DLLs a PE file imports, read from its bytes (PE32 and PE32+).
#pragma once

#include <optional>
#include <string>
#include <vector>

struct PeSummary {
    unsigned short machine = 0; // IMAGE_FILE_MACHINE_*
    unsigned short subsystem = 0;
    std::vector<std::string> imports;
};

std::optional<PeSummary> ReadPeSummary(const std::vector<unsigned char>& file);

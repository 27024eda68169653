// Taking one resource out of a program file. Wine's UpdateResourceA does not
// delete (it reports success and the resource stays), so the file's
// resources are written afresh without it.
#pragma once

#include <windows.h>

#include <string>

namespace e2e {

// Removes every language copy of resource type/id from the program file `exe`.
bool RemoveResource(const std::string& exe, LPCSTR type, WORD id);

} // namespace e2e

// What a program file holds, read without running it: the ids of a resource
// type and the languages of one resource, as the file lists them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Numeric ids of every resource of `type` in `exe`, in the file's order.
std::vector<WORD> IdsOf(const std::string& exe, LPCSTR type);

// Languages in which resource `type`/`id` of `exe` exists, in the file's order.
std::vector<WORD> LanguagesOf(const std::string& exe, LPCSTR type, WORD id);

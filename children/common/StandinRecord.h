// Test controls of the stand-in programs, read from the environment. With no
// VUT_STANDIN_* variable set the stand-ins only do their ordinary job.
#pragma once

#include <windows.h>

#include <string>

// Appends "<pid>\t<module path>\t<command line>\r\n" to <VUT_STANDIN_LOG>\<name>.log.
void RecordStart(const char* name);

// Appends "<pid>\t<TMP>\t<TEMP>\t<PATH>\r\n" to <VUT_STANDIN_LOG>\<name>.env.
void RecordEnvironment(const char* name);

// Appends `line` and a line break to <VUT_STANDIN_LOG>\<name><extension>.
void RecordLine(const char* name, const char* extension, const std::string& line);

// Copies the running program's own file to <VUT_STANDIN_LOG>\<name>.image.
void RecordImage(const char* name);

// Loads each DLL named in VUT_STANDIN_LOAD (comma-separated), by bare name as
// a product's later loads do, and appends to <VUT_STANDIN_LOG>\<name>.loads a
// line "<dll>\t<path it was loaded from>" for each that loaded, after a line
// ".\t<current folder>".
void RecordLoads(const char* name);

// Value of a numeric control variable, or `fallback` when unset or not a number.
unsigned long StandinNumber(const char* variable, unsigned long fallback);

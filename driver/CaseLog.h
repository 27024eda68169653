// The case log of the robustness campaign: one line per case tried, for
// scripts/robustness.sh to count. Silent unless SETUP_CASE_LOG names a file
// (a Windows path), so ordinary test runs write nothing.
#pragma once

#include <windows.h>

#include <string>

namespace driver {

struct CaseEnd {
    std::string category;    // e.g. "damaged payload, in process"
    std::string name;        // the case, unique within its category
    std::string outcome;     // how it ended, e.g. "exit 4" or "UnpackFailed"
    double milliseconds = 0; // from its start to its end
    std::string leftBehind;  // files or state the run should not have left; "nothing" when none
};

// Appends "category\tname\toutcome\tmilliseconds\tleftBehind" to the log.
void LogCaseEnd(const CaseEnd& end);

// True in the robustness campaign (SETUP_CAMPAIGN=full), which tries every
// case at its full count; ordinary test runs try a share of the repeated ones.
bool FullCampaign();

// Milliseconds since an arbitrary start, for timing cases.
double NowMs();

} // namespace driver

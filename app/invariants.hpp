#pragma once

// What must hold of the state record between events, whatever the user did.

#include <string>

#include "app/state.hpp"

// One sentence per broken invariant of s, each ending in "; "; empty when
// every invariant holds.
std::string recordViolations(const AppState& s);

// In builds without NDEBUG, stops the program with the first broken invariant's
// sentence; does nothing otherwise.
void assertRecordInvariants(const AppState& s);

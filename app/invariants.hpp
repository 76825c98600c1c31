#pragma once

// What must hold of the state record between events, whatever the user did.

#include <string>
#include <vector>

#include "app/state.hpp"

// One sentence per broken invariant of s, in lower case without a full stop
// (a reader puts them into a sentence of its own); empty when every
// invariant holds. The ranges and the rules between fields live here only.
std::vector<std::string> recordViolations(const AppState& s);

// In builds without NDEBUG, stops the program with the first broken invariant's
// sentence; does nothing otherwise.
void assertRecordInvariants(const AppState& s);

#pragma once

// The one sentence the page's state panel shows about the picture: why the
// last subdivision step was refused, or why the RBF curve is not drawn.

#include <string>

#include "app/state.hpp"

// The sentence for the record as it is now; empty when there is nothing to say.
std::string stateNotice(const AppState& s);

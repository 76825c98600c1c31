#include "curves/knot_insertion.hpp"

// Knot insertion arrives with its own change; until then the key does nothing.
void insertKnot() {}

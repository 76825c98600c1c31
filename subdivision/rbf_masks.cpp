#include "subdivision/rbf_masks.hpp"

// The mask table arrives with the subdivision schemes.
void buildRbfMaskTable() {}

#include "app/notice.hpp"

std::string stateNotice(const AppState& /*s*/) {
    return {};
}

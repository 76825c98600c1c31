#include "app/state.hpp"

AppState appState;

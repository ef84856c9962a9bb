#include "shell/AppState.h"

AppState App;

// The one view record; currentView points at it once the window exists.
#include "core/view.h"

ViewSettings viewSettings;
ViewSettings* currentView = nullptr;

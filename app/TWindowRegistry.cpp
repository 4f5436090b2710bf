#include "app/TWindowRegistry.h"

TWindowRegistry TWindowRegistry::programWindows()
{
    TWindowRegistry registry;
    // Each module adds its windows here as they are built, by menu item name.
    return registry;
}

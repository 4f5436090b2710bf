#include "app/TWindowRegistry.h"

#include "master/TBookFrm.h"
#include "master/TCustomerFrm.h"

TWindowRegistry TWindowRegistry::programWindows()
{
    TWindowRegistry registry;
    // Each module adds its windows here as they are built, by menu item name.
    registry.add(QStringLiteral("CustomerItem"), [](const TWindowContext& ctx, QWidget* parent) -> QWidget* {
        return new TCustomerFrm(ctx, parent);
    });
    registry.add(QStringLiteral("BookItem"), [](const TWindowContext& ctx, QWidget* parent) -> QWidget* {
        return new TBookFrm(ctx, parent);
    });
    return registry;
}

#include "app/TWindowRegistry.h"

#include "app/TAccMrgFrm.h"
#include "app/TLogFrm.h"
#include "master/TBookFrm.h"
#include "master/TCustomerFrm.h"
#include "master/TRateFrm.h"

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
    registry.add(QStringLiteral("RateItem"), [](const TWindowContext& ctx, QWidget* parent) -> QWidget* {
        return new TRateFrm(ctx.mainDM, parent);
    });
    registry.add(QStringLiteral("AccMrgItem"), [](const TWindowContext& ctx, QWidget* parent) -> QWidget* {
        return new TAccMrgFrm(ctx.mainDM, parent);
    });
    registry.add(QStringLiteral("RLogItem"), [](const TWindowContext& ctx, QWidget* parent) -> QWidget* {
        return new TLogFrm(ctx.mainDM, parent);
    });
    return registry;
}

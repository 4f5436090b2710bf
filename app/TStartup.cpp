#include "app/TStartup.h"

#include <QApplication>
#include <QScreen>

#include "app/TMainFrm.h"
#include "app/TUserFrm.h"
#include "app/TWindowRegistry.h"
#include "data/TMainDM.h"
#include "reports/TReportDM.h"
#include "reports/desktop/SystemDesktop.h"

int RunProgram(QApplication& app)
{
    TMainDM dm;
    dm.ConfigureConnection();
    TMainFrm mainFrm(dm, TWindowRegistry::programWindows());
    SystemDesktop desktop;
    TReportDM reportDM(dm, desktop);
    mainFrm.SetReportDM(&reportDM);
    {
        TUserFrm login(dm);
        if (!login.startedUp() || login.exec() != QDialog::Accepted)
            return 0;
    }
    mainFrm.ApplyLogin();
    // Fill the screen even where no window manager maximises for us.
    mainFrm.setGeometry(mainFrm.screen()->availableGeometry());
    mainFrm.showMaximized();
    return app.exec();
}

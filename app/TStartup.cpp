#include "app/TStartup.h"

#include <QApplication>

#include "app/TMainFrm.h"
#include "app/TUserFrm.h"
#include "app/TWindowRegistry.h"
#include "data/TMainDM.h"

int RunProgram(QApplication& app)
{
    TMainDM dm;
    dm.ConfigureConnection();
    TMainFrm mainFrm(dm, TWindowRegistry::programWindows());
    {
        TUserFrm login(dm);
        if (!login.startedUp() || login.exec() != QDialog::Accepted)
            return 0;
    }
    mainFrm.ApplyLogin();
    mainFrm.showMaximized();
    return app.exec();
}

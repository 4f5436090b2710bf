#include <QApplication>

#include "app/TStartup.h"
#include "data/SqlDialect.h"
#include "data/TDialogs.h"
#include "widgets/TMessageBoxSink.h"

int main(int argc, char* argv[])
{
    SqlDialect::nameLocalZoneOnce();
    QApplication app(argc, argv);
    TMessageBoxSink messages;
    TDialogs::setSink(&messages);
    return RunProgram(app);
}

#include <QApplication>

#include "app/TStartup.h"
#include "data/TDialogs.h"
#include "widgets/TMessageBoxSink.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    TMessageBoxSink messages;
    TDialogs::setSink(&messages);
    return RunProgram(app);
}

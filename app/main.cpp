#include <QApplication>

#include "app/TStartup.h"
#include "data/TDialogs.h"
#include "widgets/TMessageBoxSink.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("禾嶼圖書出版社庫存系統"));
    TMessageBoxSink messages;
    TDialogs::setSink(&messages);
    return RunProgram(app);
}

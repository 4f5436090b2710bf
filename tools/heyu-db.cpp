#include <QCoreApplication>
#include <QTextStream>

#include "data/SqlDialect.h"
#include "tools/DbAdmin.h"

int main(int argc, char* argv[])
{
    SqlDialect::nameLocalZoneOnce();
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return DbAdmin::run(app.arguments().mid(1), out, err);
}

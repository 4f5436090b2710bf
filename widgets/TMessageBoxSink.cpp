#include "widgets/TMessageBoxSink.h"

#include <QApplication>
#include <QMessageBox>

TDialogs::Answer TMessageBoxSink::show(TDialogs::Kind kind, const QString& text)
{
    using TDialogs::Answer;
    using TDialogs::Kind;
    QWidget* parent = QApplication::activeWindow();
    static const QString caption = QStringLiteral("禾嶼圖書出版社庫存系統");
    switch (kind) {
    case Kind::Information:
        QMessageBox::information(parent, caption, text);
        return Answer::Ok;
    case Kind::Warning:
        QMessageBox::warning(parent, caption, text);
        return Answer::Ok;
    case Kind::Error:
        QMessageBox::critical(parent, caption, text);
        return Answer::Ok;
    case Kind::Question:
        return QMessageBox::question(parent, caption, text, QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::No)
                       == QMessageBox::Yes
                   ? Answer::Yes
                   : Answer::No;
    case Kind::ErrorAbort:
        QMessageBox::critical(parent, caption, text, QMessageBox::Abort);
        return Answer::Abort;
    case Kind::WarningAbort:
        QMessageBox::warning(parent, caption, text, QMessageBox::Abort);
        return Answer::Abort;
    }
    return Answer::Ok;
}

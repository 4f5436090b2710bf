#pragma once

#include <QList>
#include <QString>

#include "data/TDialogs.h"

/**
 * @brief Captures every message the program shows and answers questions from a script.
 *
 * Installed for its lifetime. Questions take the scripted answers in order; when the script runs
 * out they are answered No, so an unexpected question never proceeds.
 */
class MessageRecorder final : public TDialogs::Sink
{
public:
    struct Message
    {
        TDialogs::Kind kind;
        QString text;
    };

    MessageRecorder();
    ~MessageRecorder() override;

    TDialogs::Answer show(TDialogs::Kind kind, const QString& text) override;

    void answer(std::initializer_list<bool> yesNo);
    const QList<Message>& messages() const { return m_messages; }
    QStringList texts() const;
    QString last() const { return m_messages.isEmpty() ? QString() : m_messages.last().text; }
    TDialogs::Kind lastKind() const { return m_messages.last().kind; }
    void clear() { m_messages.clear(); }

private:
    TDialogs::Sink* m_previous;
    QList<Message> m_messages;
    QList<bool> m_script;
};

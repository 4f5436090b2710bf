#include "MessageRecorder.h"

MessageRecorder::MessageRecorder() : m_previous(TDialogs::setSink(this)) {}

MessageRecorder::~MessageRecorder() { TDialogs::setSink(m_previous); }

TDialogs::Answer MessageRecorder::show(TDialogs::Kind kind, const QString& text)
{
    m_messages << Message{kind, text};
    switch (kind) {
    case TDialogs::Kind::Question:
        return !m_script.isEmpty() && m_script.takeFirst() ? TDialogs::Answer::Yes : TDialogs::Answer::No;
    case TDialogs::Kind::ErrorAbort:
    case TDialogs::Kind::WarningAbort:
        return TDialogs::Answer::Abort;
    default:
        return TDialogs::Answer::Ok;
    }
}

void MessageRecorder::answer(std::initializer_list<bool> yesNo)
{
    for (bool b : yesNo)
        m_script << b;
}

QStringList MessageRecorder::texts() const
{
    QStringList out;
    for (const Message& m : m_messages)
        out << m.text;
    return out;
}

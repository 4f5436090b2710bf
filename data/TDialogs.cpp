#include "data/TDialogs.h"

namespace TDialogs {
namespace {

class SilentSink final : public Sink
{
public:
    Answer show(Kind kind, const QString&) override
    {
        switch (kind) {
        case Kind::Question:
            return Answer::No;
        case Kind::ErrorAbort:
        case Kind::WarningAbort:
            return Answer::Abort;
        default:
            return Answer::Ok;
        }
    }
};

SilentSink g_silent;
Sink* g_sink = &g_silent;

} // namespace

Sink* setSink(Sink* sink)
{
    Sink* previous = g_sink == &g_silent ? nullptr : g_sink;
    g_sink = sink ? sink : &g_silent;
    return previous;
}

void information(const QString& text) { g_sink->show(Kind::Information, text); }
void warning(const QString& text) { g_sink->show(Kind::Warning, text); }
void error(const QString& text) { g_sink->show(Kind::Error, text); }
bool confirm(const QString& text) { return g_sink->show(Kind::Question, text) == Answer::Yes; }
void errorAbort(const QString& text) { g_sink->show(Kind::ErrorAbort, text); }
void warningAbort(const QString& text) { g_sink->show(Kind::WarningAbort, text); }

} // namespace TDialogs

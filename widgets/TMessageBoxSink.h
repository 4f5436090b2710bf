#pragma once

#include "data/TDialogs.h"

class QWidget;

/// Shows the program's messages in real message boxes.
class TMessageBoxSink final : public TDialogs::Sink
{
public:
    TDialogs::Answer show(TDialogs::Kind kind, const QString& text) override;
};

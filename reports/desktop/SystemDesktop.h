#pragma once

#include "reports/ReportDesktop.h"

/// Opens finished documents in the desktop's default application for their type.
class SystemDesktop : public ReportDesktop
{
public:
    bool canOpen(const QString& suffix) const override;
    bool open(const QString& filePath) override;
};

#pragma once

#include <QCheckBox>

#include "widgets/TFieldDataLink.h"

/// A check box bound to a boolean field of the current record; a click changes the field only
/// while the record is being edited.
class TDBCheckBox : public QCheckBox
{
    Q_OBJECT
public:
    TDBCheckBox(TDataSource* source, const QString& field, const QString& caption,
                QWidget* parent = nullptr);

    TFieldDataLink* dataLink() { return &m_link; }
    void setReadOnly(bool readOnly) { m_link.setReadOnly(readOnly); }

private:
    void load();
    void userClicked(bool checked);

    TFieldDataLink m_link;
};

#pragma once

#include <QString>

#include "reports/office/Xml.h"
#include "reports/office/ZipPackage.h"

namespace office {

/// What a document and a workbook share: the zip parts, relationships and content types.
class OfficePackage
{
public:
    bool load(const QString& path, QString* error);
    /// Writes the package as a document (not a template) to a new file.
    bool saveAs(const QString& path, QString* error);

    ZipPackage& zip() { return m_zip; }
    /// Parses a part; an empty part name or a missing part gives false with a message.
    bool parsePart(const QString& name, XmlPart* part, QString* error) const;
    /// The part a relationship of @p sourcePart points to ("word/document.xml", "rId7").
    QString relationshipTarget(const QString& sourcePart, const QString& id) const;
    /// The target of the package's main-document relationship.
    QString mainPart() const;
    /// Drops a part with its content-type override and the relationships that point to it.
    void removePart(const QString& name);

private:
    ZipPackage m_zip;
};

} // namespace office

#include "reports/office/OfficePackage.h"

#include <QDir>

namespace office {

namespace {

QString relsPathOf(const QString& part)
{
    const int slash = part.lastIndexOf('/');
    return part.left(slash + 1) + "_rels/" + part.mid(slash + 1) + ".rels";
}

} // namespace

bool OfficePackage::load(const QString& path, QString* error)
{
    if (!m_zip.read(path, error))
        return false;
    if (!m_zip.contains("[Content_Types].xml") || mainPart().isEmpty()) {
        *error = path + ": not an Office Open XML package";
        return false;
    }
    return true;
}

bool OfficePackage::saveAs(const QString& path, QString* error)
{
    // A document made from a template is a document: its main part changes content type.
    QByteArray types = m_zip.part("[Content_Types].xml");
    types.replace("wordprocessingml.template.main+xml", "wordprocessingml.document.main+xml");
    types.replace("spreadsheetml.template.main+xml", "spreadsheetml.sheet.main+xml");
    m_zip.setPart("[Content_Types].xml", types);
    return m_zip.write(path, error);
}

bool OfficePackage::parsePart(const QString& name, XmlPart* part, QString* error) const
{
    if (name.isEmpty() || !m_zip.contains(name)) {
        *error = "missing part " + name;
        return false;
    }
    QString parseError;
    if (!part->parse(m_zip.part(name), &parseError)) {
        *error = name + ": " + parseError;
        return false;
    }
    return true;
}

QString OfficePackage::relationshipTarget(const QString& sourcePart, const QString& id) const
{
    const QString relsName =
        sourcePart.isEmpty() ? QStringLiteral("_rels/.rels") : relsPathOf(sourcePart);
    XmlPart rels;
    QString error;
    if (id.isEmpty() || !parsePart(relsName, &rels, &error))
        return {};
    for (const XmlNode& rel : rels.root().children("Relationship")) {
        if (rel.attribute("Id") != id)
            continue;
        const QString target = rel.attribute("Target");
        if (target.startsWith('/'))
            return target.mid(1);
        const QString base = sourcePart.left(sourcePart.lastIndexOf('/') + 1);
        return QDir::cleanPath(base + target);
    }
    return {};
}

QString OfficePackage::mainPart() const
{
    XmlPart rels;
    QString error;
    if (!parsePart("_rels/.rels", &rels, &error))
        return {};
    for (const XmlNode& rel : rels.root().children("Relationship")) {
        if (rel.attribute("Type").endsWith("/officeDocument")) {
            const QString target = rel.attribute("Target");
            return target.startsWith('/') ? target.mid(1) : QDir::cleanPath(target);
        }
    }
    return {};
}

void OfficePackage::removePart(const QString& name)
{
    if (!m_zip.contains(name))
        return;
    m_zip.remove(name);
    QString error;
    XmlPart types;
    if (parsePart("[Content_Types].xml", &types, &error)) {
        XmlNode root = types.root();
        for (const XmlNode& entry : root.children("Override")) {
            if (entry.attribute("PartName") == "/" + name)
                root.removeChild(entry);
        }
        m_zip.setPart("[Content_Types].xml", types.serialize());
    }
    for (const QString& relsName : m_zip.names()) {
        if (!relsName.endsWith(".rels"))
            continue;
        XmlPart rels;
        if (!parsePart(relsName, &rels, &error))
            continue;
        // The source part of "xl/_rels/workbook.xml.rels" is "xl/workbook.xml".
        QString source = relsName;
        source.remove("_rels/");
        source.chop(5);
        bool changed = false;
        XmlNode root = rels.root();
        for (const XmlNode& rel : root.children("Relationship")) {
            if (rel.attribute("TargetMode") == "External")
                continue;
            const QString target = rel.attribute("Target");
            const QString base = source.left(source.lastIndexOf('/') + 1);
            const QString resolved =
                target.startsWith('/') ? target.mid(1) : QDir::cleanPath(base + target);
            if (resolved == name) {
                root.removeChild(rel);
                changed = true;
            }
        }
        if (changed)
            m_zip.setPart(relsName, rels.serialize());
    }
}

} // namespace office

#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace office {

/**
 * @brief The parts of one OOXML package held in memory.
 *
 * The zip library is used in ZipPackage.cpp only, so it can be exchanged without touching the
 * document model.
 */
class ZipPackage
{
public:
    /// Reads every entry of the zip file at @p path. On failure returns false and sets @p error.
    bool read(const QString& path, QString* error);
    /// Writes the parts to a new zip file; refuses to replace an existing file.
    bool write(const QString& path, QString* error) const;

    bool contains(const QString& name) const;
    QByteArray part(const QString& name) const;
    /// Replaces the part or adds it at the end.
    void setPart(const QString& name, const QByteArray& data);
    QStringList names() const;
    void remove(const QString& name);

private:
    struct Entry
    {
        QString name;
        QByteArray data;
    };
    QList<Entry> m_entries;
};

} // namespace office

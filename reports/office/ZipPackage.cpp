#include "reports/office/ZipPackage.h"

#include <QFile>

#include <zip.h>

namespace office {

namespace {

QString zipErrorText(int code)
{
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    const QString text = QString::fromUtf8(zip_error_strerror(&error));
    zip_error_fini(&error);
    return text;
}

} // namespace

bool ZipPackage::read(const QString& path, QString* error)
{
    m_entries.clear();
    int code = 0;
    zip_t* archive = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &code);
    if (!archive) {
        *error = path + ": " + zipErrorText(code);
        return false;
    }
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    bool ok = true;
    for (zip_int64_t i = 0; i < count && ok; ++i) {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(archive, zip_uint64_t(i), 0, &stat) != 0 ||
            !(stat.valid & ZIP_STAT_SIZE) || !(stat.valid & ZIP_STAT_NAME)) {
            ok = false;
            break;
        }
        const QString name = QString::fromUtf8(stat.name);
        if (name.endsWith('/'))
            continue; // directory entries carry no part
        QByteArray data(qsizetype(stat.size), Qt::Uninitialized);
        zip_file_t* file = zip_fopen_index(archive, zip_uint64_t(i), 0);
        if (!file) {
            ok = false;
            break;
        }
        const zip_int64_t got = zip_fread(file, data.data(), stat.size);
        zip_fclose(file);
        if (got != zip_int64_t(stat.size)) {
            ok = false;
            break;
        }
        m_entries.append({name, data});
    }
    if (!ok)
        *error = path + ": " + QString::fromUtf8(zip_strerror(archive));
    zip_discard(archive);
    if (!ok)
        m_entries.clear();
    return ok;
}

bool ZipPackage::write(const QString& path, QString* error) const
{
    int code = 0;
    zip_t* archive = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_EXCL, &code);
    if (!archive) {
        *error = path + ": " + zipErrorText(code);
        return false;
    }
    // Office readers expect the content-type list first.
    QList<const Entry*> ordered;
    for (const Entry& entry : m_entries) {
        if (entry.name == QLatin1String("[Content_Types].xml"))
            ordered.prepend(&entry);
        else
            ordered.append(&entry);
    }
    for (const Entry* entry : ordered) {
        // The buffers stay alive until zip_close, which is when libzip reads them.
        zip_source_t* source = zip_source_buffer(archive, entry->data.constData(),
                                                 zip_uint64_t(entry->data.size()), 0);
        const zip_int64_t index = source ? zip_file_add(archive, entry->name.toUtf8().constData(),
                                                        source, ZIP_FL_ENC_UTF_8)
                                         : -1;
        // Markup compresses well even at the fastest level; long documents save much sooner.
        if (index < 0 ||
            zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_DEFLATE, 1) != 0) {
            if (index >= 0)
                source = nullptr; // owned by the archive now
            if (source)
                zip_source_free(source);
            *error = path + ": " + QString::fromUtf8(zip_strerror(archive));
            zip_discard(archive);
            QFile::remove(path);
            return false;
        }
    }
    if (zip_close(archive) != 0) {
        *error = path + ": " + QString::fromUtf8(zip_strerror(archive));
        zip_discard(archive);
        QFile::remove(path);
        return false;
    }
    return true;
}

bool ZipPackage::contains(const QString& name) const
{
    for (const Entry& entry : m_entries) {
        if (entry.name == name)
            return true;
    }
    return false;
}

QByteArray ZipPackage::part(const QString& name) const
{
    for (const Entry& entry : m_entries) {
        if (entry.name == name)
            return entry.data;
    }
    return {};
}

void ZipPackage::setPart(const QString& name, const QByteArray& data)
{
    for (Entry& entry : m_entries) {
        if (entry.name == name) {
            entry.data = data;
            return;
        }
    }
    m_entries.append({name, data});
}

void ZipPackage::remove(const QString& name)
{
    m_entries.removeIf([&name](const Entry& entry) { return entry.name == name; });
}

QStringList ZipPackage::names() const
{
    QStringList result;
    for (const Entry& entry : m_entries)
        result.append(entry.name);
    return result;
}

} // namespace office

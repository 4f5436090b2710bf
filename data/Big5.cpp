#include "data/Big5.h"

#include <QList>
#include <QStringEncoder>

namespace Big5 {

int byteLength(QStringView text)
{
    int bytes = 0;
    for (char32_t c : text.toUcs4())
        bytes += charBytes(c);
    return bytes;
}

QString leftBytes(const QString& text, int bytes)
{
    int used = 0;
    qsizetype end = 0;
    while (end < text.size()) {
        const bool pair = text.at(end).isHighSurrogate() && end + 1 < text.size() &&
                          text.at(end + 1).isLowSurrogate();
        const char32_t c = pair ? QChar::surrogateToUcs4(text.at(end), text.at(end + 1))
                                : char32_t(text.at(end).unicode());
        if (used + charBytes(c) > bytes)
            break;
        used += charBytes(c);
        end += pair ? 2 : 1;
    }
    return text.left(end);
}

bool canEncode(char32_t c)
{
    if (c < 0x80)
        return true;
    QStringEncoder encoder("Big5");
    if (!encoder.isValid())
        return false;
    const QByteArray bytes = encoder.encode(QString::fromUcs4(&c, 1));
    return !encoder.hasError() && bytes.size() == 2;
}

} // namespace Big5

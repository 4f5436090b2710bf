#pragma once

#include <QString>
#include <QStringView>

/**
 * @brief Widths counted in bytes of the Big5 code page, for every rule that measures text that
 * way (field lengths of the entry widgets, cuts of label texts).
 *
 * Big5 writes ASCII in one byte and every other character it holds in two. A character Big5
 * cannot hold also counts two: it is stored as it is in our UTF-8 database, and counting it
 * double keeps it within any limit a Chinese character of the same place would meet. A character
 * outside the Basic Multilingual Plane is one character of two bytes, never split.
 *
 * Field sizes of the schema are the code page's byte counts, and our databases hold that many
 * characters; since every character counts at least one byte here, a text within its Big5 size
 * always fits its column and is never cut by the database.
 *
 * @code
 * if (Big5::byteLength(text) > field->size()) refuse();
 * label = Big5::leftBytes(name, 30);
 * @endcode
 */
namespace Big5 {

/// Bytes of one character (a Unicode code point): 1 for ASCII, 2 otherwise.
constexpr int charBytes(char32_t c)
{
    return c < 0x80 ? 1 : 2;
}

/// Bytes of the whole text.
int byteLength(QStringView text);

/// The longest beginning of the text within @p bytes bytes; a character that would cross the
/// limit is left out whole.
QString leftBytes(const QString& text, int bytes);

/// Whether the code page holds the character (the others need a stand-in where Big5 bytes are
/// written).
bool canEncode(char32_t c);

} // namespace Big5

#pragma once

#include <QString>

namespace office {

/**
 * @brief Amounts in Chinese financial (capital) numerals as printed on our forms:
 * 壹貳參肆伍陸柒捌玖 with 拾佰仟 inside a group of four digits and 萬億兆 between groups.
 * Zeros at the end of a group are silent; a run of zeros inside the number is read as one 零;
 * 10 is 壹拾.
 */
namespace ChineseNumerals {

/// 0 is "零", a negative amount is preceded by "負". Whole numbers below 10^16.
QString capital(qint64 value);

/// The amount as text: plain or grouped digits with optional decimals, rounded to a whole
/// number. Returns false when the text is not a number.
bool capitalFromText(const QString& amount, QString* result);

} // namespace ChineseNumerals
} // namespace office

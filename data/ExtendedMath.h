#pragma once

/**
 * @brief The two computations of line amounts that were always done in the 80-bit extended type
 * of x86 (64-bit significand): the rounding quotient of RoundAmount and the product of a line.
 *
 * Where `long double` is that type the native operations are used; elsewhere (64-bit ARM, where
 * it is a 128-bit type, or platforms where it is a double) the same roundings are emulated in
 * software, so every workstation stores the same amounts.
 */
namespace ExtendedMath {

/// trunc(value / f + 0.5) * f with the quotient, the half and the product rounded to 64
/// significant bits and the result to a double. `value` and `f` are above 0.
double roundQuotient(double value, double f);
/// (qty * price) * disc, each product rounded to 64 significant bits, the result to a double.
double product(double qty, double price, double disc);

/// The software emulation, also on platforms with the native type (so it can be compared).
namespace soft {
double roundQuotient(double value, double f);
double product(double qty, double price, double disc);
} // namespace soft

/// Whether the native extended type is in use.
bool isNative();

} // namespace ExtendedMath

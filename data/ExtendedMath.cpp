#include "data/ExtendedMath.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <utility>

namespace ExtendedMath {
namespace soft {
namespace {

__extension__ typedef unsigned __int128 u128;

/// A finite number (-1)^neg * m * 2^e with a 64-bit significand whose top bit is set, or zero.
struct Ext
{
    bool zero = true;
    bool neg = false;
    std::uint64_t m = 0;
    int e = 0;
};

int bitLength(u128 x)
{
    int n = 0;
    while (x) {
        x >>= 1;
        ++n;
    }
    return n;
}

/// Rounds x * 2^e (plus a non-zero tail below x when sticky) to 64 bits, to nearest, ties to even.
Ext round64(bool neg, u128 x, int e, bool sticky)
{
    Ext r;
    if (x == 0)
        return r;
    r.zero = false;
    r.neg = neg;
    const int n = bitLength(x);
    if (n <= 64) {
        r.m = std::uint64_t(x << (64 - n));
        r.e = e - (64 - n);
        return r;
    }
    const int shift = n - 64;
    std::uint64_t m = std::uint64_t(x >> shift);
    const u128 rem = x & ((u128(1) << shift) - 1);
    const u128 half = u128(1) << (shift - 1);
    const bool up = rem > half || (rem == half && (sticky || (m & 1)));
    e += shift;
    if (up && ++m == 0) {
        m = std::uint64_t(1) << 63;
        ++e;
    }
    r.m = m;
    r.e = e;
    return r;
}

Ext fromDouble(double d)
{
    Ext r;
    if (d == 0)
        return r;
    int exp = 0;
    const double fr = std::frexp(std::fabs(d), &exp); // [0.5, 1)
    r.zero = false;
    r.neg = d < 0;
    r.m = std::uint64_t(std::ldexp(fr, 64));
    r.e = exp - 64;
    return r;
}

double toDouble(const Ext& a)
{
    if (a.zero)
        return a.neg ? -0.0 : 0.0;
    std::uint64_t m = a.m >> 11;
    const std::uint64_t rem = a.m & 0x7FF;
    int e = a.e + 11;
    if (rem > 0x400 || (rem == 0x400 && (m & 1))) {
        if (++m == (std::uint64_t(1) << 53)) {
            m >>= 1;
            ++e;
        }
    }
    const double d = std::ldexp(double(m), e);
    return a.neg ? -d : d;
}

Ext mul(const Ext& a, const Ext& b)
{
    if (a.zero || b.zero)
        return Ext{};
    return round64(a.neg != b.neg, u128(a.m) * b.m, a.e + b.e, false);
}

Ext div(const Ext& a, const Ext& b)
{
    if (a.zero)
        return Ext{};
    const u128 num = u128(a.m) << 64;
    const u128 q1 = num / b.m;
    const u128 r1 = num % b.m;
    // Two more quotient bits, so the rounding sees a guard bit whatever the first part's length.
    const u128 q2 = (r1 << 2) / b.m;
    const u128 r2 = (r1 << 2) % b.m;
    return round64(a.neg != b.neg, (q1 << 2) | q2, a.e - 64 - b.e - 2, r2 != 0);
}

/// Sum of two numbers of the same sign.
Ext addSameSign(Ext a, Ext b)
{
    if (a.zero)
        return b;
    if (b.zero)
        return a;
    if (a.e < b.e)
        std::swap(a, b);
    const int d = a.e - b.e;
    if (d <= 63)
        return round64(a.neg, (u128(a.m) << d) + b.m, b.e, false);
    const int shiftB = d - 63;
    const std::uint64_t part = shiftB >= 64 ? 0 : b.m >> shiftB;
    const bool sticky = shiftB >= 64 || (b.m & ((std::uint64_t(1) << shiftB) - 1)) != 0;
    return round64(a.neg, (u128(a.m) << 63) + part, b.e + shiftB, sticky);
}

Ext trunc(const Ext& a)
{
    if (a.zero || a.e >= 0)
        return a;
    if (a.e <= -64)
        return Ext{};
    Ext r = a;
    r.m = (a.m >> -a.e) << -a.e;
    if (r.m == 0)
        return Ext{};
    return r;
}

} // namespace

double roundQuotient(double value, double f)
{
    const Ext q = addSameSign(div(fromDouble(value), fromDouble(f)), fromDouble(0.5));
    return toDouble(mul(trunc(q), fromDouble(f)));
}

double product(double qty, double price, double disc)
{
    return toDouble(mul(mul(fromDouble(qty), fromDouble(price)), fromDouble(disc)));
}

} // namespace soft

#if LDBL_MANT_DIG == 64

bool isNative()
{
    return true;
}

double roundQuotient(double value, double f)
{
    const long double q = (long double)value / (long double)f + 0.5L;
    return double(std::trunc(q) * (long double)f);
}

double product(double qty, double price, double disc)
{
    return double(((long double)qty * (long double)price) * (long double)disc);
}

#else

// No 80-bit extended type here: the software emulation gives the same results.
bool isNative()
{
    return false;
}
double roundQuotient(double value, double f)
{
    return soft::roundQuotient(value, f);
}
double product(double qty, double price, double disc)
{
    return soft::product(qty, price, disc);
}

#endif

} // namespace ExtendedMath

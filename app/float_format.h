// The general floating-point format of the window's hit-rate label: the
// shorter of fixed and scientific notation for a given number of significant
// digits, as the Windows platform's FloatToStrF(ffGeneral, ...) writes it.
#pragma once

#include <string>

namespace tamsel {

// Value rounded to Precision significant digits (1-18; half away from zero on
// its 18-digit decimal expansion), trailing zeros and a bare decimal point
// removed. Fixed notation while 0.00001 <= |value| and at most Precision digits
// stand before the point ("0.0417", "0.333", "0", "12.3"); scientific
// otherwise, the exponent written with at least Digits (0-4) digits and a sign
// only when negative ("1.23E003", "5E-006"). NaN and the infinities read
// "NAN", "INF" and "-INF".
std::string FloatToStrGeneral(long double Value, int Precision, int Digits,
                              char DecimalSeparator = '.');

}  // namespace tamsel

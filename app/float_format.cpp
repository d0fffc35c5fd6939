#include "app/float_format.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tamsel {

namespace {

// The platform rounds an extended value to 18 significant digits first and
// then to the precision asked for; doing the same keeps double rounding
// identical to it.
constexpr int kMaxDigits = 18;

}  // namespace

std::string FloatToStrGeneral(long double Value, int Precision, int Digits, char DecimalSeparator) {
  if (std::isnan(Value)) return "NAN";
  if (std::isinf(Value)) return Value < 0 ? "-INF" : "INF";
  if (Value == 0) return "0";
  Precision = std::clamp(Precision, 1, kMaxDigits);
  Digits = std::clamp(Digits, 0, 4);

  const bool negative = Value < 0;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*Le", kMaxDigits - 1, std::fabs(Value));
  // buf is "d.ddd...e[+-]xx": collect the digits and the decimal exponent.
  std::string digits;
  const char* p = buf;
  for (; *p != 'e'; ++p) {
    if (*p != '.') digits += *p;
  }
  int exponent = std::atoi(p + 1);

  // Round half away from zero to Precision digits.
  const bool roundUp = digits[Precision] >= '5';
  digits.resize(Precision);
  if (roundUp) {
    int i = Precision - 1;
    while (i >= 0 && digits[i] == '9') digits[i--] = '0';
    if (i >= 0) {
      ++digits[i];
    } else {
      digits.insert(digits.begin(), '1');
      digits.pop_back();
      ++exponent;
    }
  }
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  // Digits before the decimal point: the value is 0.ddd x 10^pointPos.
  const int pointPos = exponent + 1;
  std::string out = negative ? "-" : "";
  if (pointPos > Precision || pointPos < -4) {
    out += digits[0];
    if (digits.size() > 1) {
      out += DecimalSeparator;
      out.append(digits, 1);
    }
    out += 'E';
    if (exponent < 0) out += '-';
    std::string e = std::to_string(std::abs(exponent));
    if (static_cast<int>(e.size()) < Digits) e.insert(0, Digits - e.size(), '0');
    out += e;
  } else if (pointPos <= 0) {
    out += '0';
    out += DecimalSeparator;
    out.append(-pointPos, '0');
    out += digits;
  } else {
    if (static_cast<int>(digits.size()) <= pointPos) {
      out += digits;
      out.append(pointPos - digits.size(), '0');
    } else {
      out.append(digits, 0, pointPos);
      out += DecimalSeparator;
      out.append(digits, pointPos);
    }
  }
  return out;
}

}  // namespace tamsel

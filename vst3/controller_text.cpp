#include <cmath>

#include "controller.h"

bool parameter_text_from_plain(double plain, char16 *text) {
  if (!std::isfinite(plain) || std::fabs(plain) >= 1e15) return false;
  int n = 0;
  if (plain < 0) {
    text[n++] = u'-';
    plain = -plain;
  }
  // Cut to hundredths, but a value a few units in the last place below the
  // next hundredth is that hundredth: 0.29 of 100 is 28.999999999999996 and
  // shows 29.00, while 28.996 still shows 28.99.
  const double scaled = plain * 100.0;
  double hundredths = std::floor(scaled);
  if ((hundredths + 1.0) - scaled <= 4.0 * (std::nextafter(scaled, INFINITY) - scaled)) hundredths += 1.0;
  const uint64_t whole = uint64_t(hundredths) / 100, fraction = uint64_t(hundredths) % 100;
  char digits[20];
  int count = 0;
  uint64_t w = whole;
  do {
    digits[count++] = char('0' + w % 10);
    w /= 10;
  } while (w);
  while (count) text[n++] = char16(digits[--count]);
  text[n++] = u'.';
  text[n++] = char16(u'0' + fraction / 10);
  text[n++] = char16(u'0' + fraction % 10);
  text[n] = 0;
  return true;
}

double parameter_text_to_plain(const char16 *text) {
  int i = 0;
  const bool negative = text[0] == u'-';
  if (negative) ++i;
  double whole = 0;
  for (; text[i] >= u'0' && text[i] <= u'9'; ++i) whole = whole * 10 + (text[i] - u'0');
  double fraction = 0, scale = 1;
  if (text[i] == u'.') {
    // Digits past 17 cannot change a double any more.
    for (++i; text[i] >= u'0' && text[i] <= u'9'; ++i)
      if (scale < 1e17) {
        fraction = fraction * 10 + (text[i] - u'0');
        scale *= 10;
      }
  }
  const double value = whole + fraction / scale;
  return negative ? -value : value;
}

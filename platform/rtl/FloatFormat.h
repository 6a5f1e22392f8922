// Formatting a float with a user pattern, read by our own parser (never handed to printf):
// up to three sections "positive;negative;zero"; in a section "0" is a digit that is always
// shown, "#" a digit shown when significant, the first "." the decimal point, "," anywhere
// before it groups thousands, "E+", "E-", "e+", "e-" followed by "0"s an exponent, text in
// single or double quotes and every other character literal. Decimal point "." and thousands
// separator "," do not depend on the locale.
#pragma once

#include <QtCore/QString>

namespace kv {

// An empty pattern gives the shortest text of up to 15 significant digits; NaN gives "NAN",
// infinities "INF" and "-INF".
QString FormatFloat(const QString& format, double value);

} // namespace kv

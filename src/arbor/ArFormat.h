// Printf-style message formatting for fixed texts with "%s" and "%d" placeholders.
#pragma once

#include <QString>
#include <QVariant>
#include <QVariantList>

// Replaces each placeholder of `format` with the next argument, in order:
//   %s  the argument as text         %d  the argument as a whole number
//   %u  as an unsigned number        %x  as a hexadecimal number
//   %f  as a number with fixed decimals (default 2, "%.3f" for 3)
//   %%  a literal percent sign
// An optional width ("%5d", "%-8s") pads with blanks. Surplus arguments are ignored; a
// placeholder without an argument stays as it stands, so a faulty log call never throws.
QString ArFormat(const QString& format, const QVariantList& args);

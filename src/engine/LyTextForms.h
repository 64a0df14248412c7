// Song texts compared as a person reads them: a name stored decomposed in one library (as Mac
// exports often store accented letters) and composed in the other is the same name.
#pragma once

#include <QString>

// Whether two texts that differ in their units also differ in their canonical decomposition.
bool LyDifferentTextsDiffer(QStringView a, QStringView b);

// Whether two texts differ other than in their Unicode normalisation; letter case counts. Most
// texts compared are equal, which takes one comparison.
inline bool LyTextsDiffer(const QString& a, const QString& b) {
    return a != b && LyDifferentTextsDiffer(a, b);
}

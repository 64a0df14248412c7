#include "LyFuzzSupport.h"
#include "LyFuzzTargets.h"

#include "LyUtils.h"

#include <QByteArray>

#include <algorithm>

void LyFuzzIsLibraryFile(const uint8_t* data, size_t size) {
    LyFuzzClearScratch();
    const QString path = LyFuzzWriteInput(QStringLiteral("file.xml"), data, size);
    const bool answer = IsLibraryFile(path);
    QByteArray start(reinterpret_cast<const char*>(data), qsizetype(std::min<size_t>(size, 8)));
    if (start.startsWith("\xEF\xBB\xBF"))
        start.remove(0, 3);
    const bool declared = start.left(5).compare("<?xml", Qt::CaseInsensitive) == 0;
    LY_FUZZ_CHECK(answer == declared, QString::fromLatin1(start.toHex()));
}

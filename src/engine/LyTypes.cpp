#include "LyTypes.h"

#include <QMetaType>

void RegisterLyTypes() {
    qRegisterMetaType<tLySongPartSet>("tLySongPartSet");
    qRegisterMetaType<tLySongCompareComponentSet>("tLySongCompareComponentSet");
    qRegisterMetaType<tLySongFilterOptionSet>("tLySongFilterOptionSet");
}

QString SongPartName(tLySongPart part) {
    static const char* const names[] = {"Name",       "Artist",      "Album", "Genre",
                                        "Play Count", "Last Played", "Rating"};
    return int(part) >= 0 && int(part) < kLySongPartCount ? QString::fromLatin1(names[part])
                                                          : QString();
}

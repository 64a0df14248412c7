#include "LyTypes.h"

#include <QMetaType>

void RegisterLyTypes() {
    qRegisterMetaType<tLySongPartSet>("tLySongPartSet");
    qRegisterMetaType<tLySongCompareComponentSet>("tLySongCompareComponentSet");
    qRegisterMetaType<tLySongFilterOptionSet>("tLySongFilterOptionSet");
}

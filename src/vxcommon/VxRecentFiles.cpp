#include "VxRecentFiles.h"

#include "ArExceptions.h"

LY_UNIT("Units/VxUtils")

namespace {

qsizetype IndexOfIgnoringCase(const QStringList& list, const QString& name) {
    for (qsizetype i = 0; i < list.size(); ++i)
        if (list.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

} // namespace

TVxCache::TVxCache(int maxSize, int trimAmount)
    : FMaxSize(maxSize)
    , FTrimAmount(trimAmount) {}

void TVxCache::SetMaxSize(int maxSize) {
    LY_ASSERT(maxSize >= 1);
    if (maxSize == FMaxSize)
        return;
    FMaxSize = maxSize;
    if (maxSize < FTrimAmount)
        FTrimAmount = qMax(1, maxSize / 2);
    ReduceTo(maxSize);
}

void TVxCache::SetTrimAmount(int trimAmount) {
    LY_ASSERT(trimAmount >= 1 && trimAmount <= FMaxSize);
    FTrimAmount = trimAmount;
}

void TVxCache::ReduceTo(int size) {
    while (size <= Count() && Count() > 0)
        RemoveOldest();
    LY_ASSERT(Count() < size || size <= 0);
}

void TVxCache::MakeRoom() {
    if (IsFull())
        ReduceTo(Count() - FTrimAmount);
    LY_ASSERT(!IsFull());
}

TVxRecentFiles::TVxRecentFiles()
    : TVxCache(10, 1) {}

void TVxRecentFiles::SetFiles(const QStringList& files) {
    FFiles = files.mid(0, MaxSize());
}

void TVxRecentFiles::Add(const QString& fileName) {
    const qsizetype index = IndexOfIgnoringCase(FFiles, fileName);
    if (index >= 0) {
        FFiles.move(index, 0);
        return;
    }
    MakeRoom();
    FFiles.prepend(fileName);
}

void TVxRecentFiles::Remove(const QString& fileName) {
    const qsizetype index = IndexOfIgnoringCase(FFiles, fileName);
    if (index >= 0)
        FFiles.removeAt(index);
}

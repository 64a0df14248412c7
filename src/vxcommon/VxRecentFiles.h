// A bounded most-recently-used list and the recent-files list built on it.
#pragma once

#include <QObject>
#include <QStringList>

// A cache of at most MaxSize entries that drops its oldest entries to make room.
class TVxCache : public QObject {
    Q_OBJECT
public:
    TVxCache(int maxSize, int trimAmount);

    virtual int Count() const = 0;
    int MaxSize() const { return FMaxSize; }
    int TrimAmount() const { return FTrimAmount; }
    bool IsFull() const { return Count() == FMaxSize; }

    void SetMaxSize(int maxSize);
    void SetTrimAmount(int trimAmount);
    // Removes the oldest entries until fewer than `size` remain.
    void ReduceTo(int size);

protected:
    virtual void RemoveOldest() = 0;
    // When full, drops TrimAmount + 1 entries (ReduceTo keeps fewer than its argument).
    void MakeRoom();

private:
    int FMaxSize;
    int FTrimAmount;
};

// File names, most recent first, compared without regard to letter case.
class TVxRecentFiles : public TVxCache {
    Q_OBJECT
    Q_PROPERTY(QStringList Files READ Files WRITE SetFiles)
public:
    Q_INVOKABLE TVxRecentFiles();

    const QStringList& Files() const { return FFiles; }
    // Replaces the list (the settings reader uses it); names beyond MaxSize are dropped.
    void SetFiles(const QStringList& files);

    int Count() const override { return int(FFiles.size()); }
    // Moves a present name to the front (keeping its stored letter case) or inserts a new one.
    void Add(const QString& fileName);
    void Remove(const QString& fileName);

protected:
    void RemoveOldest() override { FFiles.removeLast(); }

private:
    QStringList FFiles;
};

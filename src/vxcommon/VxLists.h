// String-keyed hash maps whose keys ignore letter case, and the key hash and equality they use.
#pragma once

#include "ArExceptions.h"
#include "VxSystemUtilities.h"

#include <QHash>
#include <QString>
#include <QStringView>
#include <QVariant>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <functional>
#include <utility>
#include <vector>

class TVxStringBuilder;

// Raised by the hash maps, e.g. when removing a key they do not hold.
class EVxListsError : public Exception {
public:
    using Exception::Exception;
};

// Key equality that ignores letter case in all of Unicode; agrees exactly with
// QString::compare(a, b, Qt::CaseInsensitive) == 0.
bool VxCaseInsensitiveEqual(QStringView a, QStringView b) noexcept;

// A hash consistent with VxCaseInsensitiveEqual: each code point (a surrogate pair counts as one)
// is case-folded before it is mixed in. Allocates nothing.
size_t VxCaseInsensitiveHash(QStringView text, size_t seed = 0) noexcept;

// Hash and equality functors for standard containers. Both are transparent, so a container keyed
// by QString can be searched with a QStringView without building a QString.
struct TVxCaseInsensitiveHasher {
    using is_transparent = void;
    size_t operator()(QStringView text) const noexcept;
};

struct TVxCaseInsensitiveEqualTo {
    using is_transparent = void;
    bool operator()(QStringView a, QStringView b) const noexcept {
        return VxCaseInsensitiveEqual(a, b);
    }
};

// Base of the maps from case-insensitive string keys to values. Lifetime is always explicit.
//
// Changing the set of keys (adding a key, Remove, Clear, Reserve) from inside one of the map's
// own iterations is an assertion failure: it would invalidate the walk under the callback.
class TVxHashMap : public TVxInterfacedObjectNRC {
    Q_OBJECT
public:
    // Return false to stop the iteration.
    using TKeyCallback = std::function<bool(const QString& key)>;

    TVxHashMap();

    virtual int Count() const = 0;
    bool IsEmpty() const { return Count() == 0; }
    virtual bool Contains(QStringView key) const = 0;
    // Removes `key`; an absent key raises EVxListsError.
    virtual void Remove(QStringView key) = 0;
    virtual void Clear() = 0;
    // Calls `callback` for every key, in no particular order, until it returns false. Returns
    // false when the callback stopped the walk.
    virtual bool IterateKeys(const TKeyCallback& callback) const = 0;

    // A diagnostic text: one entry per key, written by AppendEntryText and separated by
    // LineBreak; empty for an empty map.
    QString AsText() const;
    // Writes QuoteChar, the key, and for a non-null value NameValueSeparator and the value with
    // each QuoteChar preceded by EscapeChar, then QuoteChar again. A zero QuoteChar writes no
    // quotes and escapes nothing; a zero EscapeChar escapes nothing.
    virtual void AppendEntryText(TVxStringBuilder& builder, QStringView key,
                                 const QVariant& value) const;

    const QString& LineBreak() const { return FLineBreak; }
    void SetLineBreak(const QString& lineBreak) { FLineBreak = lineBreak; }
    const QString& NameValueSeparator() const { return FNameValueSeparator; }
    void SetNameValueSeparator(const QString& separator) { FNameValueSeparator = separator; }
    QChar QuoteChar() const { return FQuoteChar; }
    void SetQuoteChar(QChar quoteChar) { FQuoteChar = quoteChar; }
    QChar EscapeChar() const { return FEscapeChar; }
    void SetEscapeChar(QChar escapeChar) { FEscapeChar = escapeChar; }

protected:
    // A table key: a view on the key's text, plus, for a stored key, the string that owns that
    // text (QString copies and moves keep its characters where they are). A probe only views the
    // caller's text, so a lookup builds no string; probes are never stored.
    class TKey {
    public:
        explicit TKey(const QString& text)
            : FText(text)
            , FView(FText) {}
        static TKey Probe(QStringView text) { return TKey(text); }

        const QString& Text() const { return FText; }
        friend bool operator==(const TKey& a, const TKey& b) noexcept {
            return VxCaseInsensitiveEqual(a.FView, b.FView);
        }
        friend size_t qHash(const TKey& key, size_t seed) noexcept {
            return VxCaseInsensitiveHash(key.FView, seed);
        }

    private:
        explicit TKey(QStringView view)
            : FView(view) {}

        QString FText;
        QStringView FView;
    };
    template <typename V>
    using TTable = QHash<TKey, V>;

    using TTextEntryCallback = std::function<bool(const QString& key, const QVariant& value)>;

    // Walks the entries with the value AsText shows for each; by default a null value.
    virtual bool IterateTextEntries(const TTextEntryCallback& callback) const;

    // Marks the map as being iterated for as long as it lives.
    class TIterationScope {
    public:
        explicit TIterationScope(const TVxHashMap& map)
            : FMap(map) {
            FMap.FIterationDepth.fetch_add(1, std::memory_order_relaxed);
        }
        ~TIterationScope() { FMap.FIterationDepth.fetch_sub(1, std::memory_order_relaxed); }
        TIterationScope(const TIterationScope&) = delete;
        TIterationScope& operator=(const TIterationScope&) = delete;

    private:
        const TVxHashMap& FMap;
    };

    // Asserts that no iteration of this map is running.
    void CheckNotIterating() const;
    bool Iterating() const { return FIterationDepth.load(std::memory_order_relaxed) != 0; }
    // Asserts that AddNew was given a key the map did not hold.
    static void CheckKeyWasNew(bool wasNew);
    [[noreturn]] static void RaiseKeyNotFound(QStringView key);

    template <typename Table, typename Callback>
    bool IterateTable(const Table& table, const Callback& callback) const {
        TIterationScope scope(*this);
        for (auto it = table.cbegin(); it != table.cend(); ++it)
            if (!callback(it.key().Text(), it.value()))
                return false;
        return true;
    }

private:
    QString FLineBreak;
    QString FNameValueSeparator;
    QChar FQuoteChar;
    QChar FEscapeChar;
    // Atomic so that concurrent read-only walks of a shared map do not race on it.
    mutable std::atomic<int> FIterationDepth{0};
};

// Maps keys to variants, stored by value.
class TVxVariantHashMap : public TVxHashMap {
    Q_OBJECT
public:
    using TEntryCallback = std::function<bool(const QString& key, const QVariant& value)>;

    Q_INVOKABLE TVxVariantHashMap() = default;

    int Count() const override { return int(FMap.size()); }
    bool Contains(QStringView key) const override { return FMap.contains(TKey::Probe(key)); }
    void Remove(QStringView key) override;
    void Clear() override;
    bool IterateKeys(const TKeyCallback& callback) const override;

    // The stored value, or an invalid QVariant when the key is absent.
    QVariant GetValue(QStringView key) const;
    // Overwrites the value of an existing key (which keeps its spelling) or adds the key.
    void SetValue(const QString& key, const QVariant& value);
    void Reserve(int count);
    bool Iterate(const TEntryCallback& callback) const;

protected:
    bool IterateTextEntries(const TTextEntryCallback& callback) const override;

private:
    TTable<QVariant> FMap;
};

// Maps keys to objects of class T, owning them or only referring to them as fixed at creation.
// An owning map frees an object when its key is removed, when the map is cleared or destroyed,
// and when SetObject replaces it with another object; it must hold each object only once.
template <typename T>
class TVxObjectHashMapOf : public TVxHashMap {
public:
    using TObjectCallback = std::function<bool(const QString& key, T* object)>;

    explicit TVxObjectHashMapOf(bool ownsObjects = true)
        : FOwnsObjects(ownsObjects) {}
    // Frees through this class's FreeObject: a class that overrides FreeObject clears the map in
    // its own destructor.
    ~TVxObjectHashMapOf() override { TVxObjectHashMapOf::Clear(); }

    bool OwnsObjects() const { return FOwnsObjects; }

    int Count() const override { return int(FMap.size()); }
    bool Contains(QStringView key) const override { return FMap.contains(TKey::Probe(key)); }

    void Remove(QStringView key) override {
        CheckNotIterating();
        const auto it = FMap.find(TKey::Probe(key));
        if (it == FMap.end())
            RaiseKeyNotFound(key);
        T* object = it.value();
        FMap.erase(it);
        FreeObject(object);
    }

    void Clear() override {
        CheckNotIterating();
        // Detach the entries first, so that nothing freed below can reach them through the map.
        TTable<T*> entries;
        entries.swap(FMap);
        // Objects go in address order, about the order they were made in: objects made together
        // share data, so a large map frees about twice as fast as in hash order.
        std::vector<T*> objects;
        objects.reserve(size_t(entries.size()));
        for (T* object : std::as_const(entries))
            objects.push_back(object);
        entries = TTable<T*>();
        if (FOwnsObjects)
            std::sort(objects.begin(), objects.end(), std::less<T*>());
        for (T* object : objects)
            FreeObject(object);
    }

    bool IterateKeys(const TKeyCallback& callback) const override {
        return IterateTable(FMap, [&callback](const QString& key, T*) { return callback(key); });
    }

    // The object stored under `key`, or null when the key is absent.
    T* GetObject(QStringView key) const { return FMap.value(TKey::Probe(key), nullptr); }

    // Stores `object` under `key`. An existing key keeps its spelling; the object it held is
    // passed to FreeObject unless it is `object` itself.
    void SetObject(const QString& key, T* object) {
        if (!Iterating()) {
            // One hash lookup finds the entry or makes an empty one.
            T* previous = std::exchange(FMap[TKey(key)], object);
            if (previous && previous != object)
                FreeObject(previous);
            return;
        }
        const auto it = FMap.find(TKey::Probe(key));
        if (it == FMap.end())
            CheckNotIterating();
        T* previous = std::exchange(it.value(), object);
        if (previous != object)
            FreeObject(previous);
    }

    // Stores `object` under `key`, which the map must not hold yet (one hash lookup where
    // SetObject after a failed GetObject takes two). When it does hold the key, the map keeps
    // its entry, an owning map frees `object`, and the assertion fails.
    void AddNew(const QString& key, T* object) {
        CheckNotIterating();
        T*& slot = FMap[TKey(key)];
        if (slot) {
            FreeObject(object);
            CheckKeyWasNew(false);
        }
        slot = object;
    }

    void Reserve(int count) {
        CheckNotIterating();
        FMap.reserve(std::max(count, 0));
    }

    bool Iterate(const TObjectCallback& callback) const { return IterateTable(FMap, callback); }

protected:
    // Frees an object the map lets go of, when the map owns its objects.
    virtual void FreeObject(T* object) {
        if (FOwnsObjects)
            delete object;
    }

private:
    TTable<T*> FMap;
    const bool FOwnsObjects;
};

// The object map the settings framework re-creates by class name, e.g. for saved views.
class TVxObjectHashMap : public TVxObjectHashMapOf<QObject> {
    Q_OBJECT
public:
    Q_INVOKABLE TVxObjectHashMap()
        : TVxObjectHashMapOf<QObject>(true) {}
    explicit TVxObjectHashMap(bool ownsObjects)
        : TVxObjectHashMapOf<QObject>(ownsObjects) {}
};

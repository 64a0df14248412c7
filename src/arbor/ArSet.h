// TLySet<E>: a set of the members of an enumeration, stored as bits (bit n = member n).
#pragma once

#include <QMetaEnum>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <type_traits>

template <typename E, typename TBits = std::uint32_t>
class TLySet {
    static_assert(std::is_enum_v<E>, "TLySet holds enumeration members");
    static_assert(std::is_unsigned_v<TBits>, "TLySet stores its members in unsigned bits");

public:
    using Enum = E;
    using Bits = TBits;

    constexpr TLySet() = default;
    constexpr TLySet(std::initializer_list<E> members) {
        for (E member : members)
            FBits |= Bit(member);
    }

    static constexpr TLySet FromBits(TBits bits) {
        TLySet set;
        set.FBits = bits;
        return set;
    }
    // Every member from `first` to `last`, both included.
    static constexpr TLySet Range(E first, E last) {
        TLySet set;
        for (int i = int(first); i <= int(last); ++i)
            set.FBits |= TBits(TBits(1) << i);
        return set;
    }

    constexpr TBits ToBits() const { return FBits; }
    constexpr bool Contains(E member) const { return (FBits & Bit(member)) != 0; }
    constexpr bool IsEmpty() const { return FBits == 0; }
    // True when the two sets share at least one member.
    constexpr bool Meets(TLySet other) const { return (FBits & other.FBits) != 0; }
    constexpr int Count() const { return __builtin_popcountll(FBits); }

    constexpr TLySet& Include(E member) {
        FBits |= Bit(member);
        return *this;
    }
    constexpr TLySet& Exclude(E member) {
        FBits &= TBits(~Bit(member));
        return *this;
    }

    constexpr TLySet operator|(TLySet other) const { return FromBits(FBits | other.FBits); }
    constexpr TLySet operator&(TLySet other) const { return FromBits(FBits & other.FBits); }
    constexpr TLySet operator-(TLySet other) const { return FromBits(FBits & TBits(~other.FBits)); }
    constexpr TLySet operator+(E member) const { return TLySet(*this).Include(member); }
    constexpr TLySet operator-(E member) const { return TLySet(*this).Exclude(member); }
    constexpr bool operator==(const TLySet&) const = default;

    // The member identifiers joined by "," in member order, no blanks; the empty set is "".
    QString ToIdentifiers() const {
        const QMetaEnum meta = QMetaEnum::fromType<E>();
        QStringList names;
        for (int i = 0; i < meta.keyCount(); ++i) {
            const int value = meta.value(i);
            if (value >= 0 && value < int(8 * sizeof(TBits)) && (FBits >> value) & 1u)
                names << QString::fromLatin1(meta.key(i));
        }
        return names.join(u',');
    }

    // Reads identifiers joined by ","; blanks around them are allowed. An unknown identifier
    // gives no result and names itself in `unknown` when asked.
    static std::optional<TLySet> FromIdentifiers(const QString& text, QString* unknown = nullptr) {
        const QMetaEnum meta = QMetaEnum::fromType<E>();
        TLySet set;
        for (const QString& part : text.split(u',', Qt::SkipEmptyParts)) {
            const QString name = part.trimmed();
            if (name.isEmpty())
                continue;
            bool ok = false;
            const int value = meta.keyToValue(name.toLatin1().constData(), &ok);
            if (!ok || value < 0 || value >= int(8 * sizeof(TBits))) {
                if (unknown)
                    *unknown = name;
                return std::nullopt;
            }
            set.FBits |= TBits(TBits(1) << value);
        }
        return set;
    }

private:
    static constexpr TBits Bit(E member) { return TBits(TBits(1) << int(member)); }

    TBits FBits = 0;
};

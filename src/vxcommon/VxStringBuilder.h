// A growable text buffer whose capacity doubles with what it has to take.
#pragma once

#include <QString>

class TVxStringBuilder {
public:
    explicit TVxStringBuilder(const QString& initialText = QString(), int capacity = 0);

    void Append(QStringView text);
    // The used characters; the buffer is cut to them.
    QString Text();

    int Length() const { return FLength; }
    int Capacity() const { return int(FBuffer.size()); }
    bool IsEmpty() const { return FLength == 0; }
    // The character at 1-based `index`.
    QChar Chars(int index) const;
    void Truncate(int length);
    // Drops the last `count` characters, e.g. a trailing separator.
    void RemoveLast(int count) { Truncate(FLength - count); }

private:
    QString FBuffer;
    int FLength = 0;
};

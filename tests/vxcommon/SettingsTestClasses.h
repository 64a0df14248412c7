// Small option classes that exercise every kind of stored property.
#pragma once

#include "ArSet.h"
#include "VxLists.h"
#include "VxStoredLists.h"
#include "VxUtils.h"

#include <QStringList>

namespace SettingsTestTypes {
Q_NAMESPACE
enum tShape { shCircle, shSquare, shTriangle };
Q_ENUM_NS(tShape)
} // namespace SettingsTestTypes
using SettingsTestTypes::tShape;
using enum SettingsTestTypes::tShape;
using tShapes = TLySet<tShape, quint8>;
Q_DECLARE_METATYPE(tShapes)

class TTestColumn : public TVxPersistent {
    Q_OBJECT
    Q_PROPERTY(QString Name MEMBER Name)
    Q_PROPERTY(int Width MEMBER Width)
    Q_PROPERTY(bool Visible MEMBER Visible)
public:
    Q_INVOKABLE TTestColumn() = default;
    QString Name;
    int Width = 100;
    bool Visible = true;
};

class TTestColumnList : public TObjectList {
    Q_OBJECT
public:
    Q_INVOKABLE TTestColumnList() = default;
};

class TTestView : public TVxPersistent {
    Q_OBJECT
    Q_PROPERTY(QString Name MEMBER Name)
    Q_PROPERTY(SettingsTestTypes::tShape Shape MEMBER Shape)
    Q_PROPERTY(tShapes Shapes MEMBER Shapes)
    Q_PROPERTY(TTestColumnList* Columns READ Columns)
public:
    Q_INVOKABLE TTestView() = default;
    TTestColumnList* Columns() { return &FColumns; }
    QString Name = QStringLiteral("View");
    tShape Shape = shCircle;
    tShapes Shapes{shCircle};

private:
    TTestColumnList FColumns;
};

class TTestOptions : public TVxPersistent {
    Q_OBJECT
    Q_PROPERTY(int Count MEMBER Count)
    Q_PROPERTY(double Ratio MEMBER Ratio)
    Q_PROPERTY(QString Title MEMBER Title)
    Q_PROPERTY(QString Empty MEMBER Empty)
    Q_PROPERTY(QString Blank MEMBER Blank)
    Q_PROPERTY(bool Flag MEMBER Flag)
    Q_PROPERTY(QChar Initial MEMBER Initial)
    Q_PROPERTY(qint64 Big MEMBER Big)
    Q_PROPERTY(SettingsTestTypes::tShape Shape MEMBER Shape)
    Q_PROPERTY(tShapes Shapes MEMBER Shapes)
    Q_PROPERTY(tShapes NoShapes MEMBER NoShapes)
    Q_PROPERTY(QStringList Recent MEMBER Recent)
    Q_PROPERTY(bool InputIsValid READ InputIsValid)
    Q_PROPERTY(TTestView* Main READ Main)
    Q_PROPERTY(TTestView* Spare READ Spare WRITE SetSpare)
    Q_PROPERTY(TVxObjectHashMap* Views READ Views)
    Q_PROPERTY(TVxVariantHashMap* Extras READ Extras)
public:
    Q_INVOKABLE TTestOptions() = default;
    ~TTestOptions() override { delete FSpare; }

    int Count = 0;
    double Ratio = 0.5;
    QString Title = QStringLiteral("Untitled");
    QString Empty = QStringLiteral("not empty by default");
    QString Blank;
    bool Flag = false;
    QChar Initial = u'A';
    qint64 Big = 0;
    tShape Shape = shCircle;
    tShapes Shapes;
    tShapes NoShapes{shSquare};
    QStringList Recent;
    bool Valid = true;

    bool InputIsValid() const { return Valid; }
    TTestView* Main() { return &FMain; }
    TTestView* Spare() const { return FSpare; }
    void SetSpare(TTestView* spare)
    {
        if (spare != FSpare)
            delete FSpare;
        FSpare = spare;
    }
    TVxObjectHashMap* Views() { return &FViews; }
    TVxVariantHashMap* Extras() { return &FExtras; }

private:
    TTestView FMain;
    TTestView* FSpare = nullptr;
    TVxObjectHashMap FViews;
    TVxVariantHashMap FExtras;
};

// Named objects and interfaced objects whose lifetime is always explicit.
#pragma once

#include <QObject>
#include <QString>

// A named object. Without a name of its own it is named after its class.
//
// It is a QObject so that its class name is known at run time and the settings framework can
// store and re-create it; keep instances few (hash maps, list writers), not one per song.
class TVxObject : public QObject {
    Q_OBJECT
public:
    TVxObject() = default;
    explicit TVxObject(const QString& name);

    QString GetName() const;
    void SetName(const QString& name);
    QString ClassName() const { return QString::fromLatin1(metaObject()->className()); }

private:
    QString FName;
    bool FNamed = false;
};

// An object that hands out interface references without counting them: whoever created it
// frees it. QueryInterface answers whether the object implements an interface.
class TVxInterfacedObjectNRC : public TVxObject {
    Q_OBJECT
public:
    using TVxObject::TVxObject;

    template <typename I>
    I* QueryInterface() {
        return dynamic_cast<I*>(this);
    }
    int AddRef() const { return 1; }
    int Release() const { return 1; }
};

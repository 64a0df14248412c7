#include "VxSystemUtilities.h"

TVxObject::TVxObject(const QString& name)
    : FName(name)
    , FNamed(true) {}

QString TVxObject::GetName() const {
    return FNamed ? FName : ClassName();
}

void TVxObject::SetName(const QString& name) {
    FName = name;
    FNamed = true;
}

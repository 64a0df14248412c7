#include "ArMessageLogFilter.h"

#include "ArExceptions.h"

LY_UNIT("Arbor/ArMessageLog")

namespace {

const QString& DefaultChannelName() {
    static const QString name = QStringLiteral("Default");
    return name;
}

} // namespace

QString ArMessageTypeText(tArMessageType type) {
    switch (type) {
    case mtDebugInfo:
        return QStringLiteral("Debug-info");
    case mtDebugWarning:
        return QStringLiteral("Debug-warning");
    case mtInfo:
        return QStringLiteral("Info");
    case mtWarning:
        return QStringLiteral("Warning");
    case mtError:
        return QStringLiteral("Error");
    }
    return QString::number(int(type));
}

TArMessageChannel::TArMessageChannel(const QString& channelName, tArMessageTypes types,
                                     TArObjectList* ownerList, TArObject* owner)
    : TArObject(ownerList, owner)
    , FTypes(types)
    , FChannelName(channelName) {}

TArMessageLogFilterSettings::TArMessageLogFilterSettings(TArObjectList* ownerList, TArObject* owner)
    : TArObject(ownerList, owner)
    , FChannels(true, this) {
    FDefaultChannel = NewChannel(DefaultChannelName(), {}, nullptr);
}

TArMessageLogFilterSettings::~TArMessageLogFilterSettings() {
    delete FDefaultChannel;
}

TArMessageChannel* TArMessageLogFilterSettings::NewChannel(const QString& name,
                                                           tArMessageTypes types,
                                                           TArObjectList* ownerList) {
    if (FDenyMode)
        return new TArDenyMessageChannel(name, types, ownerList, this);
    return new TArAllowMessageChannel(name, types, ownerList, this);
}

bool TArMessageLogFilterSettings::Accepts(const QString& channel, tArMessageType type) const {
    const std::lock_guard guard(FLock);
    const TArMessageChannel* entry = FChannels.FindByName(channel);
    return (entry ? entry : FDefaultChannel)->Accepts(type);
}

bool TArMessageLogFilterSettings::DenyMode() const {
    const std::lock_guard guard(FLock);
    return FDenyMode;
}

void TArMessageLogFilterSettings::SetDenyMode(bool denyMode) {
    const std::lock_guard guard(FLock);
    if (denyMode == FDenyMode)
        return;
    FDenyMode = denyMode;
    FChannels.Clear();
    delete FDefaultChannel;
    FDefaultChannel = NewChannel(DefaultChannelName(), {}, nullptr);
}

tArMessageTypes TArMessageLogFilterSettings::DefaultTypes() const {
    const std::lock_guard guard(FLock);
    return FDefaultChannel->Types();
}

void TArMessageLogFilterSettings::SetDefaultTypes(tArMessageTypes types) {
    const std::lock_guard guard(FLock);
    FDefaultChannel->SetTypes(types);
}

void TArMessageLogFilterSettings::SetChannel(const QString& name, tArMessageTypes types) {
    const std::lock_guard guard(FLock);
    if (TArMessageChannel* entry = FChannels.FindByName(name))
        entry->SetTypes(types);
    else
        NewChannel(name, types, &FChannels);
}

std::optional<tArMessageTypes>
TArMessageLogFilterSettings::ChannelTypes(const QString& name) const {
    const std::lock_guard guard(FLock);
    if (const TArMessageChannel* entry = FChannels.FindByName(name))
        return entry->Types();
    return std::nullopt;
}

QStringList TArMessageLogFilterSettings::ChannelNames() const {
    const std::lock_guard guard(FLock);
    QStringList names;
    names.reserve(FChannels.Count());
    for (int i = 0; i < FChannels.Count(); ++i)
        names << FChannels.Item(i)->ChannelName();
    return names;
}

void TArMessageLogFilterSettings::AssignTo(TArMessageLogFilterSettings* dest) const {
    LY_ASSERT(dest);
    if (dest == this)
        return;
    const std::scoped_lock guard(FLock, dest->FLock);
    dest->FChannels.Clear();
    if (dest->FDenyMode != FDenyMode) {
        dest->FDenyMode = FDenyMode;
        delete dest->FDefaultChannel;
        dest->FDefaultChannel = dest->NewChannel(DefaultChannelName(), {}, nullptr);
    }
    dest->FDefaultChannel->SetTypes(FDefaultChannel->Types());
    for (int i = 0; i < FChannels.Count(); ++i) {
        const TArMessageChannel* entry = FChannels.Item(i);
        dest->NewChannel(entry->ChannelName(), entry->Types(), &dest->FChannels);
    }
}

// Message types, channels and the filter that decides which messages a log records.
#pragma once

#include "ArObjects.h"
#include "ArSet.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <mutex>
#include <optional>

namespace ArMessageTypes {
Q_NAMESPACE

// Stored by name in configuration: never rename or reorder a member.
enum tArMessageType : quint8 {
    mtDebugInfo,
    mtDebugWarning,
    mtInfo,
    mtWarning,
    mtError,
};
Q_ENUM_NS(tArMessageType)

} // namespace ArMessageTypes

using ArMessageTypes::tArMessageType;
using enum ArMessageTypes::tArMessageType;
using tArMessageTypes = TLySet<tArMessageType, quint8>;

// "Debug-info", "Debug-warning", "Info", "Warning", "Error".
QString ArMessageTypeText(tArMessageType type);

// A named channel with a set of message types; whether a listed type passes depends on the kind.
class TArMessageChannel : public TArObject {
public:
    TArMessageChannel(const QString& channelName, tArMessageTypes types,
                      TArObjectList* ownerList = nullptr, TArObject* owner = nullptr);

    QString Name() const override { return FChannelName; }
    const QString& ChannelName() const { return FChannelName; }
    tArMessageTypes Types() const { return FTypes; }
    void SetTypes(tArMessageTypes types) { FTypes = types; }

    virtual bool Accepts(tArMessageType type) const = 0;

private:
    tArMessageTypes FTypes;
    QString FChannelName;
};

// Passes exactly the listed types.
class TArAllowMessageChannel : public TArMessageChannel {
public:
    using TArMessageChannel::TArMessageChannel;
    bool Accepts(tArMessageType type) const override { return Types().Contains(type); }
};

// Passes every type except the listed ones.
class TArDenyMessageChannel : public TArMessageChannel {
public:
    using TArMessageChannel::TArMessageChannel;
    bool Accepts(tArMessageType type) const override { return !Types().Contains(type); }
};

using TArMessageChannelList = TArTypedObjectList<TArMessageChannel>;

// Which messages pass, per channel name. Channels without an entry are decided by the default
// channel; in deny mode all channels are deny channels, otherwise allow channels. The defaults
// (deny mode, no entries, no denied types) pass every message.
// Every operation is guarded, so several logs on several threads may share one object.
class TArMessageLogFilterSettings : public TArObject {
public:
    explicit TArMessageLogFilterSettings(TArObjectList* ownerList = nullptr,
                                         TArObject* owner = nullptr);
    ~TArMessageLogFilterSettings() override;

    bool Accepts(const QString& channel, tArMessageType type) const;

    bool DenyMode() const;
    // Switching the mode drops every entry and resets the default channel to no types.
    void SetDenyMode(bool denyMode);
    tArMessageTypes DefaultTypes() const;
    void SetDefaultTypes(tArMessageTypes types);
    // Sets the types of the channel's entry, adding an entry of the current kind when needed.
    void SetChannel(const QString& name, tArMessageTypes types);
    // The types of the entry for `name` (letter case ignored), none without an entry.
    std::optional<tArMessageTypes> ChannelTypes(const QString& name) const;
    // The entries' names, in the order they were added.
    QStringList ChannelNames() const;

    // Makes `dest` filter exactly as this object does.
    void AssignTo(TArMessageLogFilterSettings* dest) const;

private:
    TArMessageChannel* NewChannel(const QString& name, tArMessageTypes types,
                                  TArObjectList* ownerList);

    mutable std::mutex FLock;
    TArMessageChannelList FChannels;
    TArMessageChannel* FDefaultChannel = nullptr;
    bool FDenyMode = true;
};

#include "CliJson.h"

#include "CliArguments.h"

#include <QJsonDocument>

namespace {

QJsonObject PerPart(const std::array<int, kLySongPartCount>& counts) {
    QJsonObject object;
    for (int part = sdName; part <= sdRating; ++part)
        object.insert(CliPartName(tLySongPart(part)), counts[part]);
    return object;
}

} // namespace

QJsonObject CliStatsJson(const TCliStats& stats) {
    return {{QStringLiteral("songs"), stats.Songs},
            {QStringLiteral("matched"), stats.Matched},
            {QStringLiteral("only_one"), stats.OnlyOne},
            {QStringLiteral("only_two"), stats.OnlyTwo},
            {QStringLiteral("pairs_applied"), stats.PairsApplied},
            {QStringLiteral("pairs_gone"), stats.PairsGone},
            {QStringLiteral("different"), PerPart(stats.Different)}};
}

QJsonObject CliChangesJson(const TCliChanges& changes) {
    return {{CliSideName(0), PerPart(changes[0])}, {CliSideName(1), PerPart(changes[1])}};
}

QString CliJsonLine(const QJsonObject& object) {
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

#include "CliText.h"

#include "CliArguments.h"

namespace {

constexpr int kLabelWidth = 28;
constexpr int kNumberWidth = 10;

QString Line(const QString& label, const QStringList& values) {
    QString line = label.leftJustified(kLabelWidth);
    for (const QString& value : values)
        line += value.rightJustified(kNumberWidth);
    return line + u'\n';
}

QString Number(int value) {
    return QString::number(value);
}

} // namespace

QString CliStatsText(const TCliStats& stats, const QString& nameOne, const QString& nameTwo) {
    QString text = Line(QStringLiteral("Songs"), {Number(stats.Songs)}) +
                   Line(QStringLiteral("Matched"), {Number(stats.Matched)}) +
                   Line(QStringLiteral("Only in ") + nameOne, {Number(stats.OnlyOne)}) +
                   Line(QStringLiteral("Only in ") + nameTwo, {Number(stats.OnlyTwo)});
    if (stats.PairsApplied > 0 || stats.PairsGone > 0)
        text += Line(QStringLiteral("Remembered pairs applied"), {Number(stats.PairsApplied)}) +
                Line(QStringLiteral("  not applied, track gone"), {Number(stats.PairsGone)});
    text += QStringLiteral("Matched songs whose values differ:\n");
    for (int part = sdName; part <= sdRating; ++part)
        text += Line(QStringLiteral("  ") + CliPartName(tLySongPart(part)),
                     {Number(stats.Different[part])});
    return text;
}

QString CliChangesText(const TCliChanges& changes, const QString& nameOne, const QString& nameTwo) {
    QString text =
        QStringLiteral("Values changed by synchronising:\n") + Line(QString(), {nameOne, nameTwo});
    for (int part = sdName; part <= sdRating; ++part)
        text += Line(QStringLiteral("  ") + CliPartName(tLySongPart(part)),
                     {Number(changes[0][part]), Number(changes[1][part])});
    return text;
}

// The figures as text for people, the libraries named by their display names.
#pragma once

#include "CliFigures.h"

#include <QString>

QString CliStatsText(const TCliStats& stats, const QString& nameOne, const QString& nameTwo);
QString CliChangesText(const TCliChanges& changes, const QString& nameOne, const QString& nameTwo);

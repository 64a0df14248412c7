// A one-line progress bar of a project's runs on a terminal: the captions of the running tasks
// and how far the innermost one is.
#pragma once

#include "LyProcessListener.h"

#include <QList>
#include <QString>
#include <QTextStream>

class TCliProgress : public TLyProcessListener {
public:
    // Draws on `terminal`, which must be a terminal: the line is redrawn in place.
    explicit TCliProgress(QTextStream& terminal)
        : FTerminal(terminal) {}

    void TaskStarted(ILyProcessTask* task) override { Update(task); }
    void TaskProgressed(ILyProcessTask* task) override { Update(task); }
    void TaskFinished(ILyProcessTask* task) override;

    // The line as drawn last; empty when nothing runs.
    const QString& Line() const { return FLine; }

private:
    struct TLevel {
        QString Caption;
        int StepCount = 0;
        int Position = 0;
    };

    void Update(ILyProcessTask* task);
    void Draw();

    QTextStream& FTerminal;
    QList<TLevel> FLevels;
    QString FLine;
};

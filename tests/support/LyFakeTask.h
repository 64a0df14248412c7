// A process task that runs nowhere: tests and picture programs pass it to listeners directly.
#pragma once

#include "LyProcess.h"

// A task whose state a test sets, for feeding a window's listener by hand; windows only read it.
class TFakeTask : public ILyProcessTask {
public:
    TFakeTask(int level, int stepCount, const QString& caption)
        : FLevel(level)
        , FStepCount(stepCount)
        , FCaption(caption) {}
    TLyProcess* Process() const override { return nullptr; }
    QString Caption() const override { return FCaption; }
    bool IsMainTask() const override { return FLevel == 0; }
    int Level() const override { return FLevel; }
    int StepCount() const override { return FStepCount; }
    int Position() const override { return FPosition; }
    bool Running() const override { return !FCancelled && !FFailed; }
    bool Cancelled() const override { return FCancelled; }
    bool Failed() const override { return FFailed; }
    ILyProcessTask* StartSubTask(int, const QString&) override { return nullptr; }
    void Step(const QString&) override {}
    void SetPosition(int position, const QString& caption) override {
        FPosition = position;
        if (!caption.isEmpty())
            FCaption = caption;
    }
    void Cancel() override { FCancelled = true; }
    void Fail(const QString&) override { FFailed = true; }
    void Finish() override {}

private:
    int FLevel;
    int FStepCount;
    QString FCaption;
    int FPosition = 0;
    bool FCancelled = false;
    bool FFailed = false;
};

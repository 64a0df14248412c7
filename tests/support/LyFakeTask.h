// A process task that runs nowhere, for feeding a window's listener by hand: the test sets its
// state, windows only read it.
#pragma once

#include "LyProcess.h"

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
        FCaption = caption.isEmpty() ? FCaption : caption;
    }
    void Cancel() override { FCancelled = true; }
    void Fail(const QString&) override { FFailed = true; }
    void Finish() override {}

private:
    int FLevel, FStepCount, FPosition = 0;
    QString FCaption;
    bool FCancelled = false, FFailed = false;
};

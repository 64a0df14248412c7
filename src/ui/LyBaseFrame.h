// The base of every frame: an initialise step run when the frame first gets a parent window,
// and a finalise step run first when it is destroyed.
#pragma once

#include <QWidget>

class TLyBase : public QWidget {
    Q_OBJECT
public:
    explicit TLyBase(QWidget* parent = nullptr);
    // Descendants call Finalise() first in their own destructors, while their members live.
    ~TLyBase() override;

protected:
    virtual void Initialise() {}
    virtual void Finalise() {}
    // Runs Initialise once, when the frame has a parent; safe to call again.
    void EnsureInitialised();
    // Runs Finalise once.
    void EnsureFinalised();
    bool event(QEvent* event) override;

private:
    bool FInitialised = false;
    bool FFinalised = false;
};

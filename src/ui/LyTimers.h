// The timers of the windows, made through one factory so that tests drive them: while a
// TLyManualTimers lives, every timer made fires only when the test advances its clock.
#pragma once

#include <QObject>

class TLyTimer : public QObject {
    Q_OBJECT
public:
    // A stopped timer of `intervalMs`; a single-shot one stops when it fires.
    static TLyTimer* Create(QObject* parent, int intervalMs, bool singleShot = false);

    int Interval() const { return FInterval; }
    bool SingleShot() const { return FSingleShot; }
    // (Re)starts the interval from now.
    virtual void Start() = 0;
    virtual void Stop() = 0;
    virtual bool Active() const = 0;

Q_SIGNALS:
    void Fired();

protected:
    TLyTimer(QObject* parent, int intervalMs, bool singleShot);

private:
    int FInterval;
    bool FSingleShot;
};

// While it lives, TLyTimer::Create makes timers that count only the time given to Advance.
// One at a time; tests only.
class TLyManualTimers {
public:
    TLyManualTimers();
    ~TLyManualTimers();
    TLyManualTimers(const TLyManualTimers&) = delete;
    TLyManualTimers& operator=(const TLyManualTimers&) = delete;

    // Lets `ms` milliseconds pass: each active timer fires once for every full interval that
    // passed since it started or last fired, in the order the timers were made.
    void Advance(int ms);
};

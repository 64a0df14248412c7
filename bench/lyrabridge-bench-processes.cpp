// Times reading the list of running programs, as the iTunes export dialog does once a second:
// prints the number of processes and the fastest, median and slowest of N readings.
#include "LyShell.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <algorithm>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const int rounds = arguments.size() > 1 ? std::max(1, arguments.at(1).toInt()) : 50;
    const TLySystemProcessList processes;
    QList<double> ms;
    qsizetype count = 0;
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer clock;
        clock.start();
        count = processes.RunningProgramNames().size();
        ms << double(clock.nsecsElapsed()) / 1e6;
    }
    std::sort(ms.begin(), ms.end());
    QTextStream(stdout) << QStringLiteral("processes %1, %2 readings: fastest %3 ms, median %4 ms, "
                                          "slowest %5 ms, median per process %6 us")
                               .arg(count)
                               .arg(rounds)
                               .arg(ms.first(), 0, 'f', 2)
                               .arg(ms.at(ms.size() / 2), 0, 'f', 2)
                               .arg(ms.last(), 0, 'f', 2)
                               .arg(ms.at(ms.size() / 2) * 1000 /
                                        double(std::max<qsizetype>(1, count)),
                                    0, 'f', 1)
                        << Qt::endl;
    return 0;
}

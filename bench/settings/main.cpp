// lyrabridge-bench-settings: how long storing and loading the preferences take with a full
// set of views (12 views of 11 columns) and 10 recent projects.
#include "ArMessageLog.h"
#include "LyOptions.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <vector>

namespace {

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/.config")).toUtf8());
    RegisterLyTypes();
    RegisterLyOptionClasses();

    TLyOptions options;
    for (int i = 0; i < 6; ++i) {
        const QString name = QStringLiteral("Saved view %1").arg(i);
        options.ProjectWindow()->Views()->SetObject(name, new TLyViewOptions(name));
    }
    for (int i = 0; i < 10; ++i)
        options.Projects()->Add(QStringLiteral("/music/projects/LyrabridgeProject_%1.xml").arg(i));

    constexpr int kRounds = 25;
    std::vector<double> storeMs;
    std::vector<double> loadMs;
    for (int round = 0; round < kRounds; ++round) {
        QElapsedTimer clock;
        clock.start();
        options.Store();
        storeMs.push_back(clock.nsecsElapsed() / 1e6);
        TLyOptions read;
        clock.restart();
        read.Load();
        loadMs.push_back(clock.nsecsElapsed() / 1e6);
        if (read.ProjectWindow()->Views()->Count() != 12 || read.Projects()->Count() != 10) {
            QTextStream(stderr) << "the preferences did not read back whole\n";
            return 1;
        }
    }
    const double store = Median(storeMs), load = Median(loadMs);
    QTextStream(stdout) << QStringLiteral("store_preferences_ms %1\nload_preferences_ms %2\n"
                                          "store_then_load_ms %3\n")
                               .arg(store, 0, 'f', 2)
                               .arg(load, 0, 'f', 2)
                               .arg(store + load, 0, 'f', 2);
    return 0;
}

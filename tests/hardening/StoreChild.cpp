// The child process of the crash-safety test: stores two versions of a file over one target in
// turn until it has stored `count` times (0: until it is killed).
//   ly_store_child library <source A> <source B> <target> <count>
//   ly_store_child settings <target> <count>
// Prints "ready" once everything is in memory, "storing" before each store and "stored" after it.
#include "LyLibraryFile.h"
#include "VxSettingsXML.h"

#include <QCoreApplication>
#include <QVariant>

#include <cstdio>
#include <functional>
#include <memory>

namespace {

void Say(const char* line) {
    std::printf("%s\n", line);
    std::fflush(stdout);
}

// A settings document of about 1.5 MB; the two versions differ in every value.
std::unique_ptr<TVxSettingsXMLFileRepository> MakeSettings(const QString& target, int version) {
    auto repository = std::make_unique<TVxSettingsXMLFileRepository>();
    repository->SetFileName(target);
    repository->Clear(); // what the target held is not part of either version
    for (int group = 0; group < 200; ++group)
        for (int value = 0; value < 100; ++value)
            repository->WriteValue(
                QStringLiteral("Options.Group%1.Value%2").arg(group).arg(value),
                QStringLiteral("version %1 of value %2.%3").arg(version).arg(group).arg(value));
    return repository;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    try {
        std::unique_ptr<TLyLibraryDocument> libraries[2];
        std::unique_ptr<TVxSettingsXMLFileRepository> settings[2];
        std::function<void(int version)> store;
        if (arguments.size() == 6 && arguments[1] == QStringLiteral("library")) {
            for (int version = 0; version < 2; ++version)
                libraries[version] = LoadLibraryDocument(arguments[2 + version], nullptr, nullptr);
            store = [&](int version) {
                SaveLibraryDocument(*libraries[version], arguments[4], nullptr, nullptr, 0);
            };
        } else if (arguments.size() == 4 && arguments[1] == QStringLiteral("settings")) {
            for (int version = 0; version < 2; ++version)
                settings[version] = MakeSettings(arguments[2], version);
            store = [&](int version) {
                settings[version]->Save();
            };
        } else {
            std::fprintf(stderr, "usage: ly_store_child library <a> <b> <target> <count> | "
                                 "settings <target> <count>\n");
            return 2;
        }
        const int count = arguments.last().toInt();
        Say("ready");
        for (int i = 0; count == 0 || i < count; ++i) {
            Say("storing");
            store(i % 2);
            Say("stored");
        }
        return 0;
    } catch (const Exception& error) {
        std::fprintf(stderr, "%s\n", qPrintable(error.Message()));
        return 1;
    }
}

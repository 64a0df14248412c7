#include "LyFuzzSupport.h"
#include "LyFuzzTargets.h"

#include "ArExceptions.h"
#include "LyOptions.h"

#include <QDir>
#include <QFileInfo>

#include <functional>

namespace {

// Preferences kept in a file of the caller's choice instead of the user's documents folder.
class TFuzzPreferences : public TLyOptions {
public:
    explicit TFuzzPreferences(QString fileName)
        : FFileName(std::move(fileName)) {}
    QString GetFileName() override { return FFileName; }
    void SetFileName(const QString& fileName) { FFileName = fileName; }

private:
    QString FFileName;
};

QString ScratchFile(const QString& name) {
    return QDir(LyFuzzScratchFolder()).filePath(name);
}

// Loads `options` from `input`, lets `retarget` point it at another file and stores it there;
// false when the loader refused the file with an error naming it.
bool LoadAndStore(TLyBaseOptions& options, const QString& input,
                  const std::function<void()>& retarget) {
    try {
        options.Load();
    } catch (const EAssertionFailed&) {
        throw;
    } catch (const Exception& error) {
        LY_FUZZ_CHECK(error.Message().contains(input), error.Message());
        return false;
    }
    retarget();
    options.Store();
    return true;
}

// What was stored is read back as a regular file, not set aside as unreadable.
template <typename T>
void CheckReloads(T& reloaded, const QString& stored) {
    try {
        reloaded.Load();
    } catch (const Exception& error) {
        LyFuzzFail("a stored options file loads again", error.Message());
    }
    LY_FUZZ_CHECK(!QFileInfo::exists(stored + QStringLiteral(".unreadable")), stored);
}

} // namespace

void LyFuzzOptionsFiles(const uint8_t* data, size_t size) {
    LyFuzzClearScratch();
    const QString projectInput = LyFuzzWriteInput(QStringLiteral("project.xml"), data, size);
    const QString projectOutput = ScratchFile(QStringLiteral("project-stored.xml"));
    TLyProjectOptions project;
    project.SetName(projectInput);
    // The stored Name is the file's own name when saved by the program; whatever the input
    // says, storing goes to the scratch folder.
    if (LoadAndStore(project, projectInput, [&] { project.SetName(projectOutput); })) {
        TLyProjectOptions reloaded;
        reloaded.SetName(projectOutput);
        CheckReloads(reloaded, projectOutput);
    }

    const QString preferencesInput =
        LyFuzzWriteInput(QStringLiteral("preferences.xml"), data, size);
    const QString preferencesOutput = ScratchFile(QStringLiteral("preferences-stored.xml"));
    TFuzzPreferences preferences(preferencesInput);
    if (LoadAndStore(preferences, preferencesInput,
                     [&] { preferences.SetFileName(preferencesOutput); })) {
        TFuzzPreferences reloaded(preferencesOutput);
        CheckReloads(reloaded, preferencesOutput);
    }
}

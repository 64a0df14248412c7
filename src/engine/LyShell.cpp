#include "LyShell.h"

#include "ArExceptions.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

LY_UNIT("Units/LyShell")

namespace {

// More than any argument list worth looking at; a longer one is cut there.
constexpr qint64 kMaxProcFileBytes = 64 * 1024;

// Proc files report a size of 0, so they are read until the end rather than by their size.
// Empty when the file cannot be opened.
QByteArray ReadProcFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return {};
    QByteArray bytes;
    char buffer[4096];
    while (bytes.size() < kMaxProcFileBytes) {
        const qint64 count = file.read(buffer, sizeof buffer);
        if (count <= 0)
            break;
        bytes.append(buffer, count);
    }
    return bytes;
}

// The part after the last separator; Windows paths of programs under a compatibility layer
// use "\", so both separators count.
QString FileNamePart(const QString& path) {
    const qsizetype slash = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return path.mid(slash + 1);
}

// The loaders of the Windows compatibility layer: the program they run is an argument.
bool IsWindowsProgramLoader(const QString& name) {
    return name == u"wine" || name == u"wine64" || name == u"wine-preloader" ||
           name == u"wine64-preloader";
}

bool IsWindowsProgram(const QString& name) {
    return name.endsWith(QStringLiteral(".exe"), Qt::CaseInsensitive);
}

QStringList CommandLineOf(const QString& processFolder) {
    const QByteArray bytes = ReadProcFile(processFolder + QStringLiteral("/cmdline"));
    QStringList arguments;
    for (const QByteArray& argument : bytes.split('\0'))
        arguments << QString::fromLocal8Bit(argument);
    while (!arguments.isEmpty() && arguments.constLast().isEmpty())
        arguments.removeLast();
    return arguments;
}

QString ExecutableOf(const QString& processFolder) {
    std::error_code error;
    const std::filesystem::path target = std::filesystem::read_symlink(
        std::filesystem::path(
            QFile::encodeName(processFolder + QStringLiteral("/exe")).toStdString()),
        error);
    if (error)
        return {};
    QString path = QFile::decodeName(QByteArray::fromStdString(target.string()));
    // The link of a process whose program file was replaced or removed meanwhile.
    const QString deleted = QStringLiteral(" (deleted)");
    if (path.endsWith(deleted))
        path.chop(deleted.size());
    return path;
}

} // namespace

QString TLySystemProcessList::ProgramNameOf(const QString& processFolder) {
    const QStringList arguments = CommandLineOf(processFolder);
    const QString first = arguments.isEmpty() ? QString() : FileNamePart(arguments.first());
    if (IsWindowsProgramLoader(first)) {
        // "wine [options] program.exe [arguments]" before the loader renames itself.
        for (qsizetype i = 1; i < arguments.size(); ++i)
            if (!arguments[i].startsWith(u'-'))
                return FileNamePart(arguments[i]);
    }
    // Once started, a Windows program's first argument is its own (Windows) path.
    if (IsWindowsProgram(first))
        return first;
    const QString executable = FileNamePart(ExecutableOf(processFolder));
    if (!executable.isEmpty())
        return executable;
    if (!first.isEmpty())
        return first;
    // Kernel threads have neither an executable nor arguments, only the short name.
    return QString::fromLocal8Bit(ReadProcFile(processFolder + QStringLiteral("/comm"))).trimmed();
}

void TLySystemProcessList::Enumerate(TLySystemProcessListAnalyzer* analyzer) const {
    LY_ASSERT(analyzer);
    // Process folders are named by the process id alone; everything else there is not one.
    QList<std::pair<qulonglong, QString>> processes;
    const QStringList entries = QDir(FProcRoot).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool isNumber = false;
        const qulonglong id = entry.toULongLong(&isNumber);
        if (isNumber &&
            std::all_of(entry.begin(), entry.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
            processes.append({id, entry});
    }
    std::sort(processes.begin(), processes.end());
    for (const auto& process : std::as_const(processes)) {
        const QString name = ProgramNameOf(FProcRoot + u'/' + process.second);
        if (!name.isEmpty())
            analyzer->AddProgram(name);
    }
}

QStringList TLySystemProcessList::RunningProgramNames() const {
    QStringList names;
    TLySystemProcessListBuilder builder(names);
    Enumerate(&builder);
    return names;
}

bool ContainsITunes(const QStringList& programNames) {
    return programNames.contains(kLyITunesProgramName, Qt::CaseInsensitive);
}

bool IsITunesRunning(const TLySystemProcessList& processes) {
    return ContainsITunes(processes.RunningProgramNames());
}

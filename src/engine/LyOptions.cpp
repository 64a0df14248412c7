#include "LyOptions.h"

#include "ArFormat.h"
#include "ArMessageLog.h"
#include "VxClassRegistry.h"
#include "VxSettingsHandlers.h"
#include "VxSettingsXML.h"
#include "VxShell.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

LY_UNIT("Units/LyOptions")

namespace {

const QString kSystem = QStringLiteral("System");

QString Folder(const QString& parent, const QString& name) {
    return parent + name + QDir::separator();
}

struct TDefaultColumn {
    const char16_t* Name;
    int Width;
    bool Visible;
};

constexpr TDefaultColumn kDefaultColumns[TLyViewOptions::kColumnCount] = {
    {u"Name", 150, true},        {u"Artist", 150, true},     {u"Album", 100, true},
    {u"Genre", 100, true},       {u"Rating", 100, true},     {u"Play Count", 75, true},
    {u"Last Played", 150, true}, {u"One", 100, false},       {u"Two", 100, false},
    {u"Status", 150, true},      {u"File Name", 200, false},
};

constexpr int kStatusColumn = 9;

} // namespace

// ---------------------------------------------------------------------------------------------
// TLyBaseOptions

QString TLyBaseOptions::ProjectsFolder() {
    return Folder(GetSpecialFolder(sfPersonal), QStringLiteral("Lyrabridge Projects"));
}

QString TLyBaseOptions::GetFileName() {
    return ProjectsFolder() + GetDefaultFileName();
}

void TLyBaseOptions::Load() {
    const QString fileName = GetFileName();
    LogFormat(QStringLiteral("Loading configuration from [%s]"), {fileName}, mtInfo, kSystem);
    std::unique_ptr<TVxSettings> settings;
    try {
        settings =
            CreateXMLFileSettings(fileName, QStringLiteral("Options"), true, SetsAsideUnreadable());
        settings->ReadObject(QString(), this, {loUseSettingsDefaults});
    } catch (const EVxSettingsException& error) {
        // The settings layer knows paths inside the file, not which file it is.
        throw EVxSettingsException(ArFormat(QStringLiteral("Cannot read settings file [%s]: %s"),
                                            {fileName, error.Message()}));
    }
    AfterLoad();
}

void TLyBaseOptions::Store() {
    const QString fileName = GetFileName();
    LogFormat(QStringLiteral("Storing configuration to [%s]"), {fileName}, mtInfo, kSystem);
    std::unique_ptr<TVxSettings> settings =
        CreateXMLFileSettings(fileName, QStringLiteral("Options"), true);
    settings->WriteObject(QString(), this, {loUseSettingsDefaults});
    settings->FlushAll(); // here, not in the destructor, so that a failure reaches the caller
}

void TLyBaseOptions::Delete() {
    const QString fileName = GetFileName();
    if (QFileInfo::exists(fileName) && !QFile::remove(fileName))
        throw ELyProjectError(ArFormat(QStringLiteral("Cannot delete [%s]."), {fileName}));
}

// ---------------------------------------------------------------------------------------------
// TLyITunesOptions

TLyITunesOptions::TLyITunesOptions()
    : FLibraryLocation(ITunesFolder() + QStringLiteral("iTunes Music Library.xml"))
    , FBackupLocation(Folder(Folder(ITunesFolder(), QStringLiteral("Previous iTunes Libraries")),
                             QStringLiteral("Lyrabridge")))
    , FITunesLocation(Folder(GetSpecialFolder(sfProgramFiles), QStringLiteral("iTunes")) +
                      QStringLiteral("iTunes.exe")) {}

QString TLyITunesOptions::ITunesFolder() {
    return Folder(Folder(GetSpecialFolder(sfPersonal), QStringLiteral("Music")),
                  QStringLiteral("iTunes"));
}

// ---------------------------------------------------------------------------------------------
// Views and columns

TLyViewColumnOptions::TLyViewColumnOptions(const QString& name, int position, int width,
                                           bool visible)
    : FName(name)
    , FPosition(position)
    , FWidth(width)
    , FVisible(visible) {}

TLyViewColumnOptions* TLyViewColumnOptionsList::Items(int index) const {
    LY_ASSERT(index >= 0 && index < Count());
    return static_cast<TLyViewColumnOptions*>(Item(index));
}

TLyViewOptions::TLyViewOptions() {
    SetDefaultColumns();
}

TLyViewOptions::TLyViewOptions(const QString& name)
    : FName(name) {
    SetDefaultColumns();
}

void TLyViewOptions::SetDefaultColumns() {
    FColumns.Clear();
    for (int i = 0; i < kColumnCount; ++i) {
        const TDefaultColumn& column = kDefaultColumns[i];
        FColumns.Add(new TLyViewColumnOptions(QString::fromUtf16(column.Name), i, column.Width,
                                              column.Visible));
    }
}

void TLyViewOptions::ValidateColumns() {
    if (FColumns.Count() == kColumnCount)
        return;
    LogFormat(QStringLiteral(
                  "Column configuration for view [%s] is invalid; using default configuration."),
              {FName}, mtWarning, kSystem);
    SetDefaultColumns();
}

void TLyViewOptions::Reset() {
    SetDefaultColumns();
    FSortAscending = true;
    FSortColumn = 0;
    FFilterText.clear();
    FActive = false;
}

void TLyViewOptions::AssignLayout(const TLyViewOptions& source) {
    LY_ASSERT(source.FColumns.Count() == FColumns.Count());
    FSortColumn = source.FSortColumn;
    FSortAscending = source.FSortAscending;
    for (int i = 0; i < FColumns.Count(); ++i) {
        const TLyViewColumnOptions* from = source.Column(i);
        TLyViewColumnOptions* to = Column(i);
        LY_ASSERT(from->Name().compare(to->Name(), Qt::CaseInsensitive) == 0);
        to->SetWidth(from->Width());
        to->SetPosition(from->Position());
        to->SetVisible(from->Visible());
    }
    FShowSongInfo = source.FShowSongInfo;
}

// ---------------------------------------------------------------------------------------------
// TLyWindowOptions

TLyWindowOptions::TLyWindowOptions() {
    SetDefaultViews();
}

const QStringList& TLyWindowOptions::DefaultViewNames() {
    static const QStringList names{QStringLiteral("All"),       QStringLiteral("One"),
                                   QStringLiteral("Two"),       QStringLiteral("Matches"),
                                   QStringLiteral("Unmatched"), QStringLiteral("Best Matches")};
    return names;
}

TLyViewOptions* TLyWindowOptions::View(const QString& name) const {
    return qobject_cast<TLyViewOptions*>(FViews.GetObject(name));
}

void TLyWindowOptions::SetDefaultViews() {
    FViews.Clear();
    for (const QString& name : DefaultViewNames())
        FViews.SetObject(name, new TLyViewOptions(name));
    SetDefaultViewFilters();
}

void TLyWindowOptions::SetDefaultViewFilters() {
    const tLySongFilterOption filters[] = {sfgAll,     sfgOne,       sfgTwo,
                                           sfgMatched, sfgUnmatched, sfgUnmatched};
    const QStringList& names = DefaultViewNames();
    for (int i = 0; i < names.size(); ++i)
        if (TLyViewOptions* view = View(names.at(i)))
            view->SetFilterOptions({filters[i]});
    for (const QString& name : {QStringLiteral("Unmatched"), QStringLiteral("Best Matches")})
        if (TLyViewOptions* view = View(name))
            view->Column(kStatusColumn)->SetVisible(false);
}

void TLyWindowOptions::ValidateViews() {
    for (const QString& name : DefaultViewNames()) {
        if (!View(name)) {
            LogMessage(QStringLiteral("View configuration is invalid; using default views."),
                       kSystem, mtWarning);
            SetDefaultViews();
            return;
        }
    }
    FViews.IterateKeys([this](const QString& key) {
        if (TLyViewOptions* view = View(key))
            view->ValidateColumns();
        return true;
    });
}

void TLyWindowOptions::ResetViews() {
    FViews.IterateKeys([this](const QString& key) {
        if (TLyViewOptions* view = View(key))
            view->Reset();
        return true;
    });
}

// ---------------------------------------------------------------------------------------------
// TLyOptions

void TLyOptions::AfterLoad() {
    TLyBaseOptions::AfterLoad();
    FMatchWindow.ValidateViews();
    FProjectWindow.ValidateViews();
}

// ---------------------------------------------------------------------------------------------
// TLyCompareOptions

void TLyCompareOptions::SetExactMatch() {
    FMode = scmExactMatch;
    FComponents = {sccTitle, sccArtist, sccAlbum, sccGenre};
    FCanBeEmpty = {};
}

void TLyCompareOptions::SetPhoneticMatch() {
    FMode = scmPhoneticMatch;
    FComponents = {sccTitle, sccArtist, sccAlbum, sccGenre};
    FCanBeEmpty = {sccArtist, sccAlbum, sccGenre};
}

void TLyCompareOptions::Assign(const TVxPersistent* source) {
    if (const auto* other = qobject_cast<const TLyCompareOptions*>(source)) {
        FMode = other->FMode;
        FComponents = other->FComponents;
        FCanBeEmpty = other->FCanBeEmpty;
        return;
    }
    TVxPersistent::Assign(source);
}

QString TLyCompareOptions::CompareModeText(tLySongCompareMode mode) {
    switch (mode) {
    case scmExactMatch:
        return QStringLiteral("Match all text, ignoring case");
    case scmAlphanumericMatch:
        return QStringLiteral("Match letters and numbers, ignoring case");
    case scmPhoneticMatch:
        return QStringLiteral("Match phonetically, ignoring spelling errors");
    case scmPersistentIdMatch:
        return QStringLiteral("Match by persistent ID, for two copies of one library");
    }
    return {};
}

QString TLyCompareOptions::ComponentsText(tLySongCompareComponentSet components) {
    static const char16_t* const names[] = {u"Title", u"Artist", u"Album", u"Genre"};
    QStringList parts;
    for (int c = sccTitle; c <= sccGenre; ++c)
        if (components.Contains(tLySongCompareComponent(c)))
            parts << QString::fromUtf16(names[c]);
    return parts.join(QStringLiteral(", "));
}

// ---------------------------------------------------------------------------------------------
// Libraries and projects

bool TLyLibraryOptions::InputIsValid() const {
    return !FInputPath.isEmpty() && QFileInfo(FInputPath).isFile();
}

bool TLyLibraryOptions::OutputIsValid() const {
    return !FOutputPath.isEmpty() && QFileInfo(FOutputPath).isFile();
}

TLyProjectOptions::TLyProjectOptions()
    : FCompareOptions(std::make_unique<TLyCompareOptions>())
    , FLibraryOne(QStringLiteral("One"))
    , FLibraryTwo(QStringLiteral("Two"))
    , FActions{saIgnore, saIgnore, saIgnore, saIgnore, saUseMax, saUseMax, saUseMax} {}

void TLyProjectOptions::SetCompareOptions(TLyCompareOptions* options) {
    LY_ASSERT(options);
    if (options != FCompareOptions.get())
        FCompareOptions.reset(options);
}

QString TLyProjectOptions::GetDefaultFileName() const {
    return ArFormat(
        QStringLiteral("LyrabridgeProject_%s_%s.xml"),
        {LySafeFileNamePart(FLibraryOne.Name()), LySafeFileNamePart(FLibraryTwo.Name())});
}

QString TLyProjectOptions::GetFileName() {
    if (FName.isEmpty()) {
        const QString defaultName = ProjectsFolder() + GetDefaultFileName();
        LogFormat(QStringLiteral("Project file [%s] does not exist, using default [%s]"),
                  {FName, defaultName}, mtInfo, QStringLiteral("Default"));
        FName = defaultName;
    }
    return FName;
}

void TLyProjectOptions::SetRememberedPairTexts(const QStringList& texts) {
    for (const QString& text : FRememberedPairs.SetTexts(texts))
        LogFormat(QStringLiteral("Project [%s]: skipped remembered pair [%s], which is not two "
                                 "Persistent IDs"),
                  {FName, text}, mtWarning, kSystem);
}

QString LySafeFileNamePart(const QString& name) {
    static const QString forbidden = QStringLiteral("/\\:*?\"<>|");
    QString safe = name;
    for (QChar& c : safe)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || forbidden.contains(c))
            c = u'_';
    if (safe.startsWith(u'.'))
        safe[0] = u'_';
    return safe;
}

void RegisterLyOptionClasses() {
    VxRegisterSettingsClasses();
    VxRegisterSetType<tLySongPartSet>();
    VxRegisterSetType<tLySongCompareComponentSet>();
    VxRegisterSetType<tLySongFilterOptionSet>();
    VxRegisterClass<TLyRecentFiles>();
    VxRegisterClass<TLyITunesOptions>();
    VxRegisterClass<TLyViewColumnOptions>();
    VxRegisterClass<TLyViewColumnOptionsList>();
    VxRegisterClass<TLyViewOptions>();
    VxRegisterClass<TLyWindowOptions>();
    VxRegisterClass<TLyCompareOptions>();
    VxRegisterClass<TLyLibraryOptions>();
    VxRegisterClass<TLyOptions>();
    VxRegisterClass<TLyProjectOptions>();
}

// The option classes: the preferences (recent projects, iTunes locations, window layouts and
// their views) and the project options (two libraries, matching, synchronise actions). Their
// published properties, in declaration order, are the keys of the stored files.
#pragma once

#include "LyRememberedPairs.h"
#include "LyTypes.h"
#include "LyUtils.h"
#include "VxLists.h"
#include "VxStoredLists.h"
#include "VxUtils.h"

#include <QString>

// Base of the two stored documents.
class TLyBaseOptions : public TVxPersistent {
    Q_OBJECT
public:
    // "Lyrabridge Projects" in the user's documents folder, with a trailing separator.
    static QString ProjectsFolder();

    // The stored file's full path.
    virtual QString GetFileName();
    virtual QString GetDefaultFileName() const = 0;

    // Fills this object from its file (a missing file leaves the defaults), then repairs it.
    void Load();
    // Writes this object to its file; errors name the file.
    void Store();
    // Deletes the file; a missing file is no error.
    void Delete();

protected:
    virtual void AfterLoad() {}
    // Whether Load renames a file it cannot read aside and starts from the defaults, or raises
    // and leaves the file as it is.
    virtual bool SetsAsideUnreadable() const { return true; }
};

class TLyITunesOptions : public TVxPersistent {
    Q_OBJECT
    Q_PROPERTY(QString LibraryLocation MEMBER FLibraryLocation)
    Q_PROPERTY(QString BackupLocation MEMBER FBackupLocation)
    Q_PROPERTY(QString ITunesLocation MEMBER FITunesLocation)
    Q_PROPERTY(bool StartITunes MEMBER FStartITunes)
    Q_PROPERTY(bool CreateBackup MEMBER FCreateBackup)
public:
    Q_INVOKABLE TLyITunesOptions();

    // The user's documents folder + "Music/iTunes/".
    static QString ITunesFolder();

    const QString& LibraryLocation() const { return FLibraryLocation; }
    void SetLibraryLocation(const QString& value) { FLibraryLocation = value; }
    const QString& BackupLocation() const { return FBackupLocation; }
    void SetBackupLocation(const QString& value) { FBackupLocation = value; }
    const QString& ITunesLocation() const { return FITunesLocation; }
    void SetITunesLocation(const QString& value) { FITunesLocation = value; }
    bool StartITunes() const { return FStartITunes; }
    void SetStartITunes(bool value) { FStartITunes = value; }
    bool CreateBackup() const { return FCreateBackup; }
    void SetCreateBackup(bool value) { FCreateBackup = value; }

private:
    QString FLibraryLocation;
    QString FBackupLocation;
    QString FITunesLocation;
    bool FStartITunes = true;
    bool FCreateBackup = true;
};

class TLyViewColumnOptions : public TVxPersistent {
    Q_OBJECT
    Q_PROPERTY(QString Name MEMBER FName)
    Q_PROPERTY(int Position MEMBER FPosition)
    Q_PROPERTY(int Width MEMBER FWidth)
    Q_PROPERTY(bool Visible MEMBER FVisible)
public:
    Q_INVOKABLE TLyViewColumnOptions() = default;
    TLyViewColumnOptions(const QString& name, int position, int width, bool visible);

    const QString& Name() const { return FName; }
    int Position() const { return FPosition; }
    void SetPosition(int value) { FPosition = value; }
    int Width() const { return FWidth; }
    void SetWidth(int value) { FWidth = value; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool value) { FVisible = value; }

private:
    QString FName;
    int FPosition = 0;
    int FWidth = 0;
    bool FVisible = true;
};

class TLyViewColumnOptionsList : public TObjectList {
    Q_OBJECT
public:
    Q_INVOKABLE TLyViewColumnOptionsList() = default;
    TLyViewColumnOptions* Items(int index) const;
};

// The saved state of one view of songs.
class TLyViewOptions : public TVxPersistent {
    Q_OBJECT
    Q_PROPERTY(QString Name MEMBER FName)
    Q_PROPERTY(QString FilterText MEMBER FFilterText)
    Q_PROPERTY(tLySongFilterOptionSet FilterOptions MEMBER FFilterOptions)
    Q_PROPERTY(LyTypes::tLySongPart FilterPart MEMBER FFilterPart)
    Q_PROPERTY(int SortColumn MEMBER FSortColumn)
    Q_PROPERTY(bool SortAscending MEMBER FSortAscending)
    Q_PROPERTY(TLyViewColumnOptionsList* Columns READ Columns)
    Q_PROPERTY(bool ShowSongInfo MEMBER FShowSongInfo)
    Q_PROPERTY(bool Active MEMBER FActive)
public:
    static constexpr int kColumnCount = 11;

    Q_INVOKABLE TLyViewOptions();
    explicit TLyViewOptions(const QString& name);

    const QString& Name() const { return FName; }
    void SetName(const QString& value) { FName = value; }
    const QString& FilterText() const { return FFilterText; }
    void SetFilterText(const QString& value) { FFilterText = value; }
    tLySongFilterOptionSet FilterOptions() const { return FFilterOptions; }
    void SetFilterOptions(tLySongFilterOptionSet value) { FFilterOptions = value; }
    tLySongPart FilterPart() const { return FFilterPart; }
    void SetFilterPart(tLySongPart value) { FFilterPart = value; }
    int SortColumn() const { return FSortColumn; }
    void SetSortColumn(int value) { FSortColumn = value; }
    bool SortAscending() const { return FSortAscending; }
    void SetSortAscending(bool value) { FSortAscending = value; }
    TLyViewColumnOptionsList* Columns() { return &FColumns; }
    const TLyViewColumnOptionsList* Columns() const { return &FColumns; }
    bool ShowSongInfo() const { return FShowSongInfo; }
    void SetShowSongInfo(bool value) { FShowSongInfo = value; }
    bool Active() const { return FActive; }
    void SetActive(bool value) { FActive = value; }

    TLyViewColumnOptions* Column(int index) const { return FColumns.Items(index); }
    void SetDefaultColumns();
    // Default columns, with a warning, unless there are exactly eleven.
    void ValidateColumns();
    // Default columns, ascending by the first column, no filter text, not active.
    void Reset();
    // Copies sort order, column widths, positions and visibility and ShowSongInfo.
    void AssignLayout(const TLyViewOptions& source);

private:
    QString FName;
    QString FFilterText;
    tLySongFilterOptionSet FFilterOptions;
    tLySongPart FFilterPart = sdName;
    int FSortColumn = 0;
    bool FSortAscending = true;
    TLyViewColumnOptionsList FColumns;
    bool FShowSongInfo = true;
    bool FActive = false;
};

// Geometry and views of one kind of window.
class TLyWindowOptions : public TVxPersistent {
    Q_OBJECT
    Q_PROPERTY(int Left MEMBER FLeft)
    Q_PROPERTY(int Top MEMBER FTop)
    Q_PROPERTY(int Width MEMBER FWidth)
    Q_PROPERTY(int Height MEMBER FHeight)
    Q_PROPERTY(bool Maximized MEMBER FMaximized)
    Q_PROPERTY(TVxObjectHashMap* Views READ Views)
public:
    Q_INVOKABLE TLyWindowOptions();

    int Left() const { return FLeft; }
    void SetLeft(int value) { FLeft = value; }
    int Top() const { return FTop; }
    void SetTop(int value) { FTop = value; }
    int Width() const { return FWidth; }
    void SetWidth(int value) { FWidth = value; }
    int Height() const { return FHeight; }
    void SetHeight(int value) { FHeight = value; }
    bool Maximized() const { return FMaximized; }
    void SetMaximized(bool value) { FMaximized = value; }
    TVxObjectHashMap* Views() { return &FViews; }

    TLyViewOptions* View(const QString& name) const;
    virtual void SetDefaultViews();
    virtual void SetDefaultViewFilters();
    // Default views, with a warning, when one of the six is missing; else checks each view's
    // columns.
    void ValidateViews();
    void ResetViews();

    // The six views every window has, in their order.
    static const QStringList& DefaultViewNames();

private:
    int FLeft = 100;
    int FTop = 100;
    int FWidth = 960;
    int FHeight = 720;
    bool FMaximized = false;
    TVxObjectHashMap FViews;
};

// The preferences.
class TLyOptions : public TLyBaseOptions {
    Q_OBJECT
    Q_PROPERTY(TLyRecentFiles* Projects READ Projects)
    Q_PROPERTY(TLyITunesOptions* ITunes READ ITunes)
    Q_PROPERTY(TLyWindowOptions* ProjectWindow READ ProjectWindow)
    Q_PROPERTY(TLyWindowOptions* MatchWindow READ MatchWindow)
public:
    Q_INVOKABLE TLyOptions() = default;

    TLyRecentFiles* Projects() { return &FProjects; }
    TLyITunesOptions* ITunes() { return &FITunes; }
    TLyWindowOptions* ProjectWindow() { return &FProjectWindow; }
    TLyWindowOptions* MatchWindow() { return &FMatchWindow; }

    QString GetDefaultFileName() const override {
        return QStringLiteral("LyrabridgePreferences.xml");
    }

protected:
    void AfterLoad() override;

private:
    TLyRecentFiles FProjects;
    TLyITunesOptions FITunes;
    TLyWindowOptions FProjectWindow;
    TLyWindowOptions FMatchWindow;
};

// How songs are matched.
class TLyCompareOptions : public TVxPersistent {
    Q_OBJECT
    Q_PROPERTY(LyTypes::tLySongCompareMode Mode MEMBER FMode)
    Q_PROPERTY(tLySongCompareComponentSet Components MEMBER FComponents)
    Q_PROPERTY(tLySongCompareComponentSet CanBeEmpty MEMBER FCanBeEmpty)
public:
    Q_INVOKABLE TLyCompareOptions() = default;

    tLySongCompareMode Mode() const { return FMode; }
    void SetMode(tLySongCompareMode value) { FMode = value; }
    tLySongCompareComponentSet Components() const { return FComponents; }
    void SetComponents(tLySongCompareComponentSet value) { FComponents = value; }
    tLySongCompareComponentSet CanBeEmpty() const { return FCanBeEmpty; }
    void SetCanBeEmpty(tLySongCompareComponentSet value) { FCanBeEmpty = value; }

    // All four components, none may be empty.
    void SetExactMatch();
    // All four components; artist, album and genre may be empty.
    void SetPhoneticMatch();
    void Assign(const TVxPersistent* source) override;

    static QString CompareModeText(tLySongCompareMode mode);
    // "Title", "Artist", "Album", "Genre" of the members, joined by ", ".
    static QString ComponentsText(tLySongCompareComponentSet components);

private:
    tLySongCompareMode FMode = scmAlphanumericMatch;
    tLySongCompareComponentSet FComponents{sccTitle, sccArtist, sccAlbum};
    tLySongCompareComponentSet FCanBeEmpty{sccArtist, sccAlbum};
};

// One library of a project.
class TLyLibraryOptions : public TVxPersistent {
    Q_OBJECT
    Q_PROPERTY(QString Name MEMBER FName)
    Q_PROPERTY(QString InputPath MEMBER FInputPath)
    Q_PROPERTY(QString OutputPath MEMBER FOutputPath)
    Q_PROPERTY(bool InputIsValid READ InputIsValid)
    Q_PROPERTY(bool OutputIsValid READ OutputIsValid)
public:
    Q_INVOKABLE TLyLibraryOptions() = default;
    explicit TLyLibraryOptions(const QString& name)
        : FName(name) {}

    const QString& Name() const { return FName; }
    void SetName(const QString& value) { FName = value; }
    const QString& InputPath() const { return FInputPath; }
    void SetInputPath(const QString& value) { FInputPath = value; }
    const QString& OutputPath() const { return FOutputPath; }
    void SetOutputPath(const QString& value) { FOutputPath = value; }
    // A file (not a folder) exists at the path now.
    bool InputIsValid() const;
    bool OutputIsValid() const;
    // Whether the first track with a location had its file on this computer when the library
    // was last read. Not stored.
    bool FilesFound() const { return FFilesFound; }
    void SetFilesFound(bool value) { FFilesFound = value; }

private:
    bool FFilesFound = false;
    QString FName;
    QString FInputPath;
    QString FOutputPath;
};

// One project.
class TLyProjectOptions : public TLyBaseOptions {
    Q_OBJECT
    Q_PROPERTY(TLyCompareOptions* CompareOptions READ CompareOptions WRITE SetCompareOptions)
    Q_PROPERTY(QString Name MEMBER FName)
    Q_PROPERTY(TLyLibraryOptions* LibraryOne READ LibraryOne)
    Q_PROPERTY(TLyLibraryOptions* LibraryTwo READ LibraryTwo)
    Q_PROPERTY(LyTypes::tLySynchronizeAction NameAction READ NameAction WRITE SetNameAction)
    Q_PROPERTY(LyTypes::tLySynchronizeAction ArtistAction READ ArtistAction WRITE SetArtistAction)
    Q_PROPERTY(LyTypes::tLySynchronizeAction AlbumAction READ AlbumAction WRITE SetAlbumAction)
    Q_PROPERTY(LyTypes::tLySynchronizeAction GenreAction READ GenreAction WRITE SetGenreAction)
    Q_PROPERTY(
        LyTypes::tLySynchronizeAction PlayCountAction READ PlayCountAction WRITE SetPlayCountAction)
    Q_PROPERTY(LyTypes::tLySynchronizeAction LastPlayedAction READ LastPlayedAction WRITE
                   SetLastPlayedAction)
    Q_PROPERTY(LyTypes::tLySynchronizeAction RatingAction READ RatingAction WRITE SetRatingAction)
    Q_PROPERTY(bool ForceSynchronize MEMBER FForceSynchronize)
    Q_PROPERTY(QStringList RememberedPairs READ RememberedPairTexts WRITE SetRememberedPairTexts)
public:
    Q_INVOKABLE TLyProjectOptions();

    TLyCompareOptions* CompareOptions() const { return FCompareOptions.get(); }
    // Takes ownership; null is refused (a project always has compare options).
    void SetCompareOptions(TLyCompareOptions* options);
    const QString& Name() const { return FName; }
    void SetName(const QString& value) { FName = value; }
    TLyLibraryOptions* LibraryOne() { return &FLibraryOne; }
    TLyLibraryOptions* LibraryTwo() { return &FLibraryTwo; }
    TLyLibraryOptions* Library(int side) { return side == 0 ? &FLibraryOne : &FLibraryTwo; }
    bool ForceSynchronize() const { return FForceSynchronize; }
    void SetForceSynchronize(bool value) { FForceSynchronize = value; }
    // The songs paired by hand. Changed on the main thread while the project is idle; read by
    // its worker during a match.
    TLyRememberedPairs* RememberedPairs() { return &FRememberedPairs; }
    QStringList RememberedPairTexts() const { return FRememberedPairs.Texts(); }
    // Entries that are not two IDs are skipped with a warning naming the project file.
    void SetRememberedPairTexts(const QStringList& texts);

    tLySynchronizeAction Action(tLySongPart part) const { return FActions[part]; }
    void SetAction(tLySongPart part, tLySynchronizeAction action) { FActions[part] = action; }
    tLySynchronizeAction NameAction() const { return FActions[sdName]; }
    void SetNameAction(tLySynchronizeAction a) { FActions[sdName] = a; }
    tLySynchronizeAction ArtistAction() const { return FActions[sdArtist]; }
    void SetArtistAction(tLySynchronizeAction a) { FActions[sdArtist] = a; }
    tLySynchronizeAction AlbumAction() const { return FActions[sdAlbum]; }
    void SetAlbumAction(tLySynchronizeAction a) { FActions[sdAlbum] = a; }
    tLySynchronizeAction GenreAction() const { return FActions[sdGenre]; }
    void SetGenreAction(tLySynchronizeAction a) { FActions[sdGenre] = a; }
    tLySynchronizeAction PlayCountAction() const { return FActions[sdPlayCount]; }
    void SetPlayCountAction(tLySynchronizeAction a) { FActions[sdPlayCount] = a; }
    tLySynchronizeAction LastPlayedAction() const { return FActions[sdLastPlayed]; }
    void SetLastPlayedAction(tLySynchronizeAction a) { FActions[sdLastPlayed] = a; }
    tLySynchronizeAction RatingAction() const { return FActions[sdRating]; }
    void SetRatingAction(tLySynchronizeAction a) { FActions[sdRating] = a; }

    // "LyrabridgeProject_<One>_<Two>.xml" with the library names made safe for a file name.
    QString GetDefaultFileName() const override;
    // Name, defaulting it (with a log line) to the default file in the projects folder.
    QString GetFileName() override;

protected:
    // A project file is the user's own: one that cannot be read is reported and left alone.
    bool SetsAsideUnreadable() const override { return false; }

private:
    std::unique_ptr<TLyCompareOptions> FCompareOptions;
    QString FName;
    TLyLibraryOptions FLibraryOne;
    TLyLibraryOptions FLibraryTwo;
    tLySynchronizeAction FActions[kLySongPartCount];
    bool FForceSynchronize = false;
    TLyRememberedPairs FRememberedPairs;
};

// A library name as part of a file name: characters that no platform allows in a file name
// (separators, ":", "*", "?", quotes, "<", ">", "|", control characters) become "_", and a
// leading dot becomes "_".
QString LySafeFileNamePart(const QString& name);

// Registers the option classes and set types the settings framework re-creates or converts.
void RegisterLyOptionClasses();

#include "LyView.h"

#include "ArFormat.h"
#include "LyMatchResult.h"
#include "LyProject.h"

LY_UNIT("Units/LyProject")

namespace {

constexpr int kDescendingTag = 1000;

} // namespace

TLyView::TLyView(TLyMatchResult* matchResult)
    : FMatchResult(matchResult) {}

TLyView::~TLyView() {
    ShutDownProcess(); // the refresh uses this view's members
}

void TLyView::SetOptions(TLyViewOptions* options) {
    if (options == FOptions)
        return;
    FOptions = options;
    if (options)
        Process()->SetName(options->Name());
}

void TLyView::StopRefresh() {
    TLyProcess* process = Process();
    if (!process)
        return;
    process->CancelIfRunning();
    process->WaitFor();
}

void TLyView::RequestRefresh() {
    TLyProcess* process = Process();
    if (!process || !process->Alive() || !FMatchResult || FMatchResult->Changing() || !FOptions)
        return;
    // The running refresh reads the filter: it ends before the filter is replaced.
    StopRefresh();
    FFilter = {FOptions->FilterOptions(), FOptions->FilterPart(), FOptions->FilterText()};
    process->Start(QStringLiteral("Refresh"), [this](TVxPausableThread& thread) {
        LY_ASSERT(Process() && FMatchResult);
        BeginUpdate();
        struct TEnd {
            TLyView* View;
            ~TEnd() { View->EndUpdate(); }
        } end{this};
        Refresh(thread);
    });
}

void TLyView::SongLeaving(const TLySong*) {}

void TLyView::PublishSongs(QList<TLySong*> songs, int count, std::unique_ptr<TLySongList> owned) {
    RunOnMainThread([&] {
        FSongs.Clear();
        FSongs.Reserve(int(songs.size()));
        for (TLySong* song : songs)
            FSongs.Add(song);
        FCount = count;
        FOwnedSongs = std::move(owned); // the previous candidates go only now
    });
}

void TLyView::Refresh(TVxPausableThread& thread) {
    const TLySongList& all = FMatchResult->Songs();
    ILyProcessTask* main = Process()->StartMainTask(all.Count(), QStringLiteral("Refreshing..."));
    PublishSongs({}, 0);
    Changed();
    QList<TLySong*> accepted;
    int count = 0;
    for (TLySong* song : all) {
        if (Includes(song)) {
            ++count;
            if (Accepts(song))
                accepted.append(song);
        }
        main->Step();
        if (thread.Terminated())
            break; // a cancelled refresh still publishes what it accepted so far
    }
    // Listeners read the list when the main task finishes: it is handed over first.
    PublishSongs(std::move(accepted), count);
    main->Finish();
}

bool TLyView::Includes(const TLySong* song) const {
    const tLySongFilterOptionSet filters = FFilter.Options;
    if (filters.Contains(sfgAll))
        return true;
    if (filters.Contains(sfgUnmatched))
        return song->MatchState() == 0;
    if (filters.Contains(sfgOne))
        return song->OriginalOne().Exists();
    if (filters.Contains(sfgTwo))
        return song->OriginalTwo().Exists();
    if (filters.Contains(sfgMatched))
        return song->IsMatched();
    return false;
}

bool TLyView::SidePasses(const TLySong* song, int side) const {
    const tLySongFilterOptionSet filters = FFilter.Options;
    if (!filters.Contains(side == 0 ? sfgOne : sfgTwo))
        return true;
    if (filters.Contains(sfgNotModified) && song->IsModified(side))
        return false;
    if (filters.Contains(sfgModifiedAll) && !song->IsModified(side))
        return false;
    if (filters.Contains(sfgModifiedSongData) && !song->SongDataModified(side))
        return false;
    if (filters.Contains(sfgModifiedUserData) && !song->UserDataModified(side))
        return false;
    if (filters.Contains(sfgModifiedSingle))
        return song->PartModified(side, FFilter.Part);
    return true;
}

bool TLyView::Accepts(const TLySong* song) const {
    const tLySongFilterOptionSet filters = FFilter.Options;
    const QString& text = FFilter.Text;
    if (filters.Contains(sfgAll))
        return text.isEmpty() || song->MatchesText(text);
    if (filters.Contains(sfgOne) && !song->OriginalOne().Exists())
        return false;
    if (filters.Contains(sfgTwo) && !song->OriginalTwo().Exists())
        return false;
    if (filters.Contains(sfgMatched) && !song->IsMatched())
        return false;
    if (filters.Contains(sfgUnmatched) && song->IsMatched())
        return false;
    if (filters.Contains(sfgNotDifferent) && song->IsDifferent())
        return false;
    if (filters.Contains(sfgDifferentAll) && !song->IsDifferent())
        return false;
    if (filters.Contains(sfgDifferentSingle) && !song->Differences().Contains(FFilter.Part))
        return false;
    if (filters.Contains(sfgDifferentSongData) && !song->SongDataDiffers())
        return false;
    if (filters.Contains(sfgDifferentUserData) && !song->UserDataDiffers())
        return false;
    if (!SidePasses(song, 0) || !SidePasses(song, 1))
        return false;
    return text.isEmpty() || song->MatchesText(text);
}

void TLyView::SetSort(int column, bool ascending) {
    FOptions->SetSortColumn(column);
    FOptions->SetSortAscending(ascending);
    NotifyOwnerChanged();
}

// The run works on a copy of the list: the view's own list may be republished meanwhile.
TLySongList* TLyView::CopyOfSongs() const {
    auto* copy = new TLySongList(false);
    copy->Reserve(FSongs.Count());
    for (TLySong* song : FSongs)
        copy->Add(song);
    return copy;
}

void TLyView::SynchronizeAll() {
    FMatchResult->SynchronizeSongs(CopyOfSongs(), true);
}

void TLyView::RevertAll() {
    FMatchResult->RevertSongs(CopyOfSongs(), true);
}

QString TLyView::ColumnCaption(const QString& columnName) const {
    TLyProject* project = FMatchResult ? FMatchResult->Project() : nullptr;
    for (int side = 0; side < 2 && project; ++side) {
        const QString column = side == 0 ? QStringLiteral("One") : QStringLiteral("Two");
        if (columnName.compare(column, Qt::CaseInsensitive) == 0)
            return ArFormat(QStringLiteral("%s (Rating)"),
                            {project->Options()->Library(side)->Name()});
    }
    return columnName;
}

void TLyView::FillColumnMenu(ILyMenu* menu) {
    LY_ASSERT(menu);
    menu->Clear();
    TLyViewColumnOptionsList* columns = FOptions->Columns();
    for (int i = 0; i < columns->Count(); ++i) {
        TLyViewColumnOptions* column = columns->Items(i);
        const bool isName =
            column->Name().compare(QStringLiteral("Name"), Qt::CaseInsensitive) == 0;
        menu->AddItem(ColumnCaption(column->Name()), column->Visible(), !isName, i, [this, column] {
            column->SetVisible(!column->Visible());
            NotifyOwnerChanged();
        });
    }
}

void TLyView::FillSortMenu(ILyMenu* menu) {
    LY_ASSERT(menu);
    menu->Clear();
    TLyViewColumnOptionsList* columns = FOptions->Columns();
    for (const bool ascending : {true, false}) {
        ILyMenu* sub = menu->AddSubMenu(ascending ? QStringLiteral("&Ascending")
                                                  : QStringLiteral("&Descending"));
        for (int i = 0; i < columns->Count(); ++i) {
            const TLyViewColumnOptions* column = columns->Items(i);
            const bool checked =
                FOptions->SortColumn() == i && FOptions->SortAscending() == ascending;
            const int tag = ascending ? i : i + kDescendingTag;
            sub->AddItem(ColumnCaption(column->Name()), checked, column->Visible(), tag,
                         [this, tag] {
                             if (tag < kDescendingTag)
                                 SetSort(tag, true);
                             else
                                 SetSort(tag - kDescendingTag, false);
                         });
        }
    }
}

// ---------------------------------------------------------------------------------------------

TLyBestMatchesView::~TLyBestMatchesView() {
    ShutDownProcess(); // the refresh uses the cached maps
}

void TLyBestMatchesView::SetSong(TLySong* song) {
    if (song == FSong.load())
        return;
    StopRefresh(); // the running refresh reads the song
    FSong.store(song);
    TLyView::RequestRefresh(); // the maps stay: the match result has not changed
}

void TLyBestMatchesView::RequestRefresh() {
    // The running refresh may be reading the maps: it ends before they go.
    StopRefresh();
    FMapOne.reset();
    FMapTwo.reset();
    TLyView::RequestRefresh();
}

void TLyBestMatchesView::SongLeaving(const TLySong* song) {
    if (!song || song == FSong.load())
        FSong.store(nullptr);
}

void TLyBestMatchesView::Refresh(TVxPausableThread&) {
    TLyProcess* process = Process();
    ILyProcessTask* main = process->StartMainTask(16, QStringLiteral("Refreshing..."));
    PublishSongs({}, 0);
    const TLySong* song = FSong.load();
    if (!song) {
        main->Finish();
        return;
    }
    Changed();
    const int side = song->OriginalOne().Exists() ? 1 : 0;
    const TLySongProperties& track = side == 1 ? song->OriginalOne() : song->OriginalTwo();
    TLyCompareOptions options;
    options.SetPhoneticMatch();
    std::unique_ptr<TLySongPropertiesMap>& map = side == 0 ? FMapOne : FMapTwo;
    if (!map)
        map = MatchResult()->CreateSongMap(MatchResult()->Songs(), side, process, options);
    options.SetComponents({sccTitle, sccArtist, sccAlbum, sccGenre});
    std::unique_ptr<TLySongList> candidates =
        MatchResult()->FindBestMatches(&track, map.get(), side, &options);
    const QList<TLySong*> songs = candidates->AsList();
    PublishSongs(songs, int(songs.size()), std::move(candidates));
    main->Finish();
}

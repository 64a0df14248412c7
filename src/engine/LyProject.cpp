#include "LyProject.h"

#include "ArFormat.h"
#include "ArMessageLog.h"
#include "LyITunesReplace.h"
#include "LyLibraryFile.h"

#include <QFileInfo>

#include <utility>

LY_UNIT("Units/LyProject")

TLyProject::TLyProject(TLyOptions* appOptions, TVxObjectHashMap* viewOptions)
    : FOptions(std::make_unique<TLyProjectOptions>())
    , FAppOptions(appOptions)
    , FMatchResult(std::make_unique<TLyMatchResult>(this, nullptr, viewOptions)) {}

TLyProject::~TLyProject() {
    // The work uses the documents and the match result: stop it before they go.
    ShutDownProcess();
}

TLyLibraryDocument* TLyProject::Document(int side) const {
    return side == 0 ? FDocumentOne.get() : FDocumentTwo.get();
}

bool TLyProject::CanLoad() const {
    return !Process()->Running() && FOptions->LibraryOne()->InputIsValid() &&
           FOptions->LibraryTwo()->InputIsValid();
}

bool TLyProject::CanChangeSongs() const {
    return !Process()->Working();
}

void TLyProject::CheckCanChangeSongs() const {
    if (!CanChangeSongs())
        throw ELyProjectError(
            ArFormat(QStringLiteral("Songs cannot be changed while [%s] is running."),
                     {Process()->RunName()}));
}

void TLyProject::Open() {
    LoadOptions();
    Reload();
}

void TLyProject::LoadOptions() {
    const QString fileName = FOptions->GetFileName();
    FOptions->RememberedPairs()->Clear(); // a file of an earlier version names none
    FOptions->Load();
    FOptions->SetName(fileName);
    Process()->SetName(QFileInfo(fileName).fileName());
}

void TLyProject::Reload() {
    FModified = false;
    FMatchResult->CreateViews();
    // Freeing two large libraries would hold up the main thread for a visible moment: a load
    // frees what the project holds on its worker, before it reads the files again.
    if (FOptions->LibraryOne()->InputIsValid() && FOptions->LibraryTwo()->InputIsValid())
        LoadLibraries();
    else
        ClearAll();
}

void TLyProject::Save() {
    FOptions->Store();
}

void TLyProject::ClearAll() {
    // Songs refer to the documents' elements: they go first.
    FMatchResult->Clear();
    FLoaded.store(false);
    FDocumentOne.reset();
    FDocumentTwo.reset();
}

void TLyProject::ResetViews() {
    if (!FAppOptions)
        return;
    FAppOptions->ProjectWindow()->ResetViews();
    FAppOptions->MatchWindow()->ResetViews();
    FMatchResult->CreateViews();
}

void TLyProject::RefreshViews() {
    if (Process()->Alive())
        FMatchResult->RefreshViews();
}

void TLyProject::LoadLibraries() {
    Process()->Start(QStringLiteral("Load Libraries"), [this](TVxPausableThread&) { LoadWork(); });
}

void TLyProject::MatchSongs() {
    Process()->Start(QStringLiteral("Match Songs"),
                     [this](TVxPausableThread&) { MatchWork(nullptr); });
}

void TLyProject::MatchSelected(TLyMatchResult* result) {
    LY_ASSERT(result && result->Project() == this);
    Process()->Start(QStringLiteral("Match Selected"),
                     [result](TVxPausableThread&) { result->MatchSourcesWork(); });
}

void TLyProject::ExecuteForSongs(TLyMatchResult* result, TLySongList* songs, bool freeList,
                                 TExecuteStep step) {
    LY_ASSERT(result && songs);
    LY_ASSERT(bool(step));
    FExecuteResult = result;
    FExecuteSongs = songs;
    FExecuteFreeList = freeList;
    FExecuteStep = std::move(step);
    Process()->Start(QStringLiteral("Execute For Songs"),
                     [this](TVxPausableThread&) { ExecuteWork(); });
}

void TLyProject::StoreLibrary(int side) {
    LY_ASSERT(IsLoaded());
    LY_ASSERT(side == 0 || side == 1);
    FStoreSide = side;
    Process()->Start(QStringLiteral("Store Libraries"),
                     [this](TVxPausableThread&) { StoreWork(); });
}

void TLyProject::ReplaceITunesLibrary(int side) {
    LY_ASSERT(IsLoaded());
    LY_ASSERT(side == 0 || side == 1);
    Process()->Start(QStringLiteral("Replace iTunes Library"), [this, side](TVxPausableThread&) {
        ReplaceITunesLibraryWork(*this, side);
        RememberPlays(side);
    });
}

void TLyProject::LoadWork() {
    TLyLibraryOptions* one = FOptions->LibraryOne();
    TLyLibraryOptions* two = FOptions->LibraryTwo();
    LY_ASSERT(one->InputIsValid() && two->InputIsValid());
    FModified = false;
    FPairsApplied.store(0);
    FPairsGone.store(0);
    if (const QString plays = PlayMemoryFileName(); !plays.isEmpty())
        FPlays.Load(plays);
    else
        FPlays = TLyPlayMemory();
    const bool reload = IsLoaded();
    ILyProcessTask* main =
        Process()->StartMainTask(reload ? 6 : 5, QStringLiteral("Loading Libraries..."));
    if (reload) {
        main->Step(QStringLiteral("Clearing song list..."));
        ClearAll();
    } else {
        FDocumentOne.reset(); // what a failed load left goes before the new files take memory
    }
    main->Step(ArFormat(QStringLiteral("Loading %s..."), {one->Name()}));
    {
        // Library Two loads beside One; an error of One is reported first, as in a load one
        // after the other.
        std::unique_ptr<TLyLibraryDocument> documentTwo;
        TLyProcessHelper helper([&, path = two->InputPath()] {
            documentTwo = LoadLibraryDocument(path, nullptr, Process());
        });
        FDocumentOne = LoadLibraryDocument(one->InputPath(), main, Process());
        main->Step(ArFormat(QStringLiteral("Loading %s..."), {two->Name()}));
        JoinHelper(helper, main, QStringLiteral("Loading XML..."));
        FDocumentTwo = std::move(documentTwo);
        FLoaded.store(FDocumentTwo != nullptr);
    }
    MatchWork(main);
}

void TLyProject::MatchWork(ILyProcessTask* mainTask) {
    const bool hadSongs = !FMatchResult->Songs().IsEmpty();
    if (!mainTask) {
        mainTask = Process()->StartMainTask(2, QStringLiteral("Matching Songs..."));
        if (hadSongs) {
            mainTask->Step(QStringLiteral("Clearing previous matches..."));
            FMatchResult->Clear();
        }
    }
    // The first matching after a load pairs by exact keys; later ones use the project's
    // settings.
    TLyCompareOptions exact;
    exact.SetExactMatch();
    const TLyCompareOptions& options = hadSongs ? *FOptions->CompareOptions() : exact;
    mainTask->Step(QStringLiteral("Preparing song lists..."));
    LY_ASSERT(FDocumentOne && FDocumentTwo);
    std::unique_ptr<TLySongPropertiesMap> mapOne;
    std::unique_ptr<TLySongPropertiesMap> mapTwo;
    {
        TLyProcessHelper helper([&] {
            mapTwo =
                ReadLibrary(*FDocumentTwo, *FOptions->LibraryTwo(), options, nullptr, Process());
        });
        mapOne = ReadLibrary(*FDocumentOne, *FOptions->LibraryOne(), options, mainTask, Process());
        JoinHelper(helper, mainTask, QStringLiteral("Processing ITunes library..."));
    }
    FMatchResult->Match(mapOne.get(), mapTwo.get(), Process(), &options);
    ApplyRememberedPairs();
    {
        // The maps hold several hundred thousand entries each: free them side by side.
        TLyProcessHelper helper([&] { mapTwo.reset(); });
        mapOne.reset();
        helper.Join();
    }
    mainTask->Finish();
}

void TLyProject::ApplyRememberedPairs() {
    const TLyPairsApplied report = FMatchResult->ApplyRememberedPairs(*FOptions->RememberedPairs());
    FPairsApplied.store(report.Applied);
    FPairsGone.store(int(report.Gone.size()));
    if (!report.Gone.isEmpty())
        LogFormat(QStringLiteral("%d remembered pairs not applied, a track being gone from its "
                                 "library (Persistent IDs of One and Two): %s"),
                  {int(report.Gone.size()), report.Gone.mid(0, 20).join(QStringLiteral(", "))},
                  mtWarning, QStringLiteral("Project"));
}

void TLyProject::JoinHelper(TLyProcessHelper& helper, ILyProcessTask* mainTask,
                            const QString& caption) {
    ILyProcessTask* sub = mainTask->StartSubTask(1, caption);
    helper.Join();
    sub->Step();
    sub->Finish();
}

void TLyProject::ExecuteWork() {
    TVxUpdateGuard update(*FExecuteResult);
    FExecuteResult->Changed();
    struct TCleanUp {
        TLyProject* Project;
        ~TCleanUp() {
            Project->FCurrentTask = nullptr;
            Project->FExecuteStep = nullptr;
            if (Project->FExecuteFreeList)
                delete Project->FExecuteSongs;
            Project->FExecuteSongs = nullptr;
            Project->FExecuteResult = nullptr;
        }
    } cleanUp{this};
    const int count = FExecuteSongs->Count();
    ILyProcessTask* main = Process()->StartMainTask(1, QStringLiteral("Updating..."));
    main->Step(ArFormat(QStringLiteral("Updating [%d] Songs..."), {count}));
    ILyProcessTask* sub = main->StartSubTask(count, QStringLiteral("Updating Songs..."));
    FCurrentTask = sub;
    for (TLySong* song : *FExecuteSongs) {
        FModified = true; // also when a later song fails or the run is cancelled
        FExecuteStep(song);
        sub->Step();
        Process()->CheckCancelled();
    }
    sub->Finish();
    FModified = true;
    main->Finish();
}

void TLyProject::StoreWork() {
    LY_ASSERT(IsLoaded());
    const int side = FStoreSide;
    ILyProcessTask* main = Process()->StartMainTask(2, QStringLiteral("Exporting to file..."));
    TLyLibraryOptions* library = FOptions->Library(side);
    // Refused before the songs go into the document, which must stay as it was.
    if (library->OutputPath().isEmpty())
        throw ELyProjectError(
            ArFormat(QStringLiteral("Library [%s] has no output file: set one in the library's "
                                    "properties."),
                     {library->Name()}));
    main->Step(QStringLiteral("Finalizing songs..."));
    FMatchResult->ExportSide(side);
    TLyLibraryDocument* document = Document(side);
    main->Step(ArFormat(QStringLiteral("Saving [%s]..."), {library->Name()}));
    const QFileInfo output(library->OutputPath());
    SaveLibraryDocument(*document, library->OutputPath(), main, Process(),
                        output.isFile() ? output.size() : 0);
    RememberPlays(side);
    FModified = false;
    main->Finish();
}

QString TLyProject::PlayMemoryFileName() const {
    return FOptions->Name().isEmpty() ? QString() : TLyPlayMemory::FileNameFor(FOptions->Name());
}

void TLyProject::RememberPlays(int side) {
    const QString fileName = PlayMemoryFileName();
    if (FOptions->Action(sdPlayCount) != saAddPlays || fileName.isEmpty())
        return;
    TLyPlayMemory plays = FPlays; // changed only when the file is stored
    for (const TLySong* song : FMatchResult->Songs()) {
        if (!song->IsMatched() || !song->Checked() || !song->Current(side).Node())
            continue;
        const QString& idOne = song->OriginalOne().PersistentId();
        const QString& idTwo = song->OriginalTwo().PersistentId();
        const int read[2] = {song->OriginalOne().PlayCount(), song->OriginalTwo().PlayCount()};
        plays.Put(idOne, idTwo,
                  RecordAfterExport(plays.Find(idOne, idTwo), side, song->Current(side).PlayCount(),
                                    read));
    }
    plays.Store(fileName);
    FPlays = std::move(plays);
}

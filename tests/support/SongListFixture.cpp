#include "SongListFixture.h"

#include "LySongListModel.h"
#include "LySongListTree.h"
#include "LySongMatchResultFrame.h"
#include "LySongPageFrames.h"
#include "LyView.h"
#include "SongBuilders.h"

#include <QApplication>
#include <QEventLoop>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <thread>

TLySongListFixture::TLySongListFixture()
    : FProject(std::make_unique<TLyProject>(&FAppOptions, FAppOptions.ProjectWindow()->Views())) {
    FProject->Options()->LibraryOne()->SetName(QStringLiteral("Laptop"));
    FProject->Options()->LibraryTwo()->SetName(QStringLiteral("Desktop"));
}

TLySongListFixture::~TLySongListFixture() {
    Settle();
}

void TLySongListFixture::Change(const std::function<void()>& change) {
    Result().BeginUpdate();
    change();
    Result().EndUpdate();
    Settle();
}

void TLySongListFixture::Add(std::vector<std::unique_ptr<TLySong>> songs) {
    Change([&] {
        for (auto& song : songs)
            Result().Songs().Add(song.release());
    });
}

void TLySongListFixture::Settle() {
    FProject->Process()->WaitFor();
    for (const QString& name : TLyWindowOptions::DefaultViewNames())
        if (TLyView* view = View(name))
            view->Process()->WaitFor();
    QCoreApplication::processEvents();
}

// `frame` resized and shown, on `view` given by `attach`, its refresh waited for.
template <typename TFrame, typename TAttach>
std::unique_ptr<TFrame> TLySongListFixture::Shown(std::unique_ptr<TFrame> frame, int height,
                                                  const TAttach& attach) {
    frame->resize(900, height);
    frame->show();
    attach(*frame);
    Settle();
    return frame;
}

std::unique_ptr<TLySongListView> TLySongListFixture::Show(const QString& name, int side,
                                                          bool librarySpecific) {
    auto frame = std::make_unique<TLySongListView>();
    frame->SetSide(side, librarySpecific);
    return Shown(std::move(frame), 400, [&](TLySongListView& f) { f.SetView(View(name)); });
}

TLyBlockingRun::TLyBlockingRun(TLyProject* project, const QString& name)
    : FProject(project) {
    FProject->Process()->Start(name, [this, name](TVxPausableThread&) {
        FProject->Process()->StartMainTask(1, name);
        while (!FRelease.load()) {
            FProject->Process()->CheckCancelled();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    while (!FProject->Process()->Running())
        QCoreApplication::processEvents();
}

TLyBlockingRun::~TLyBlockingRun() {
    FRelease.store(true);
    FProject->Process()->WaitFor();
}

std::unique_ptr<TLySongPage> MakeSongPage(const QString& name) {
    if (name == u"All")
        return std::make_unique<TLyAllSongs>();
    if (name == u"Matches")
        return std::make_unique<TLyMatchedSongs>();
    if (name == u"Unmatched")
        return std::make_unique<TLyUnmatchedSongs>();
    auto library = std::make_unique<TLyLibrarySongs>();
    library->SetSide(name == u"Two" ? 1 : 0);
    return library;
}

std::unique_ptr<TLySongPage> TLySongListFixture::ShowPage(const QString& name) {
    return Shown(MakeSongPage(name), 500, [&](TLySongPage& page) { page.SetView(View(name)); });
}

std::unique_ptr<TLySongMatchResult> TLySongListFixture::ShowResult() {
    return Shown(std::make_unique<TLySongMatchResult>(), 600,
                 [&](TLySongMatchResult& frame) { frame.SetMatchResult(&Result()); });
}

void TLySongListFixture::SetLibraries(const QList<TLyLibraryTrack>& one,
                                      const QList<TLyLibraryTrack>& two) {
    TLyProjectOptions* options = FProject->Options();
    options->LibraryOne()->SetInputPath(
        FFolder.WriteFile(QStringLiteral("one.xml"), MakeLibraryXml(one)));
    options->LibraryTwo()->SetInputPath(
        FFolder.WriteFile(QStringLiteral("two.xml"), MakeLibraryXml(two)));
}

void RunUntilIdle() {
    QEventLoop loop;
    QTimer::singleShot(0, &loop, &QEventLoop::quit);
    loop.exec();
}

QStringList ColumnTexts(const TLySongListView& frame, int column) {
    QStringList texts;
    for (int row = 0; row < frame.Model()->rowCount(); ++row)
        texts << frame.Model()->index(row, column).data().toString();
    return texts;
}

TLyTrackBuilder BaseTrack(const QString& name) {
    return Track(name).Artist("Abba").Album("Gold").Genre("Pop").Rating(60).PlayCount(3).LastPlayed(
        45000.5);
}

std::vector<std::unique_ptr<TLySong>> RepresentativeSongs() {
    const auto Base = BaseTrack;
    std::vector<std::unique_ptr<TLySong>> songs;
    auto add = [&](TLyTrackBuilder one, TLyTrackBuilder two) {
        songs.push_back(MakeSong(one.Build(), two.Build()));
        return songs.back().get();
    };
    add(Base("Equal").Location("/music/equal.mp3"), Base("Equal"))
        ->CurrentOne()
        .SetFileStatus(fsExists);
    add(Base("Alpha"), Base("Alfa"));
    add(Base("Genre differs"), Base("Genre differs").Genre("Rock"));
    add(Base("Plays differ"), Base("Plays differ").PlayCount(7));
    add(Base("Dates differ"), Base("Dates differ").LastPlayed(45001.0));
    add(Base("Rating differs"), Base("Rating differs").Rating(100));
    TLySong* halfNamed = add(Base("Half named"), Base("Half named").Genre(""));
    halfNamed->CurrentTwo().SetPlayCount(0);
    halfNamed->CalculateDifferences();
    TLySong* edited = add(Base("Edited"), Base("Edited"));
    edited->CurrentOne().SetArtist(QStringLiteral("Abba (live)"));
    edited->CalculateDifferences();
    TLySong* bothEdited = add(Base("Both edited"), Base("Both edited"));
    bothEdited->SetValueBoth(sdGenre, QStringLiteral("Jazz"));
    bothEdited->SetValueBoth(sdRating, 80);
    add(Base("Missing file").Location("/nowhere/missing.mp3"), Base("Missing file"))
        ->CurrentOne()
        .SetFileStatus(fsMissing);
    songs.push_back(MakeSong(Base("One only").Rating(40).Build(), std::nullopt));
    songs.back()->SetChecked(false);
    songs.push_back(MakeSong(std::nullopt, Base("Two only").Location("<b>x</b>").Build()));
    songs.back()->CurrentTwo().SetFileStatus(fsExists);
    return songs;
}

void SelectRows(TLySongListView& frame, const QStringList& names) {
    const TLySongListModel* model = frame.Model();
    QItemSelectionModel* selection = frame.TreeSongs()->selectionModel();
    selection->clearSelection();
    const auto flags = QItemSelectionModel::Select | QItemSelectionModel::Rows;
    for (int row = 0; row < model->rowCount(); ++row) {
        const QModelIndex index = model->index(row, 0);
        if (index.data().toString() == names.value(0))
            selection->setCurrentIndex(index, flags);
        else if (names.contains(index.data().toString()))
            selection->select(index, flags);
    }
}

void AddWaterloos(std::vector<std::unique_ptr<TLySong>>& songs, int plays) {
    TLyTrackBuilder one = Track("Waterloo").Artist("Abba").Album("Waterloo").Rating(80);
    if (plays > 0)
        one.PlayCount(plays);
    songs.push_back(MakeSong(one.Build(), std::nullopt));
    songs.push_back(
        MakeSong(std::nullopt, Track("Waterlo").Artist("ABBA").Album("Waterloo").Build()));
    songs.push_back(
        MakeSong(std::nullopt, Track("Waterloo (live)").Artist("Abba").Album("Live").Build()));
}

QString SongsText(const TLySongList& songs, bool marks) {
    QStringList texts;
    for (const TLySong* song : songs) {
        const bool one = song->OriginalOne().Exists(), two = song->OriginalTwo().Exists();
        texts << QStringLiteral("%1[%2%3]%4%5")
                     .arg((one ? song->CurrentOne() : song->CurrentTwo()).Name(),
                          one ? QStringLiteral("1") : QString(),
                          two ? QStringLiteral("2") : QString(),
                          marks && song->IsModifiedAny() ? QStringLiteral("*") : QString(),
                          marks && one && two && song->IsDifferent() ? QStringLiteral("~")
                                                                     : QString());
    }
    texts.sort();
    return texts.join(u' ');
}

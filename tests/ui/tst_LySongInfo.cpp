// The song information page: what each panel shows for the selected songs, the edit window,
// and edits refused while the songs may not change.
#include "LyDataRows.h"
#include "LyDialogs.h"
#include "LySongInfoFrame.h"
#include "LySongPropertiesFrame.h"
#include "LySongPropertyWindow.h"
#include "SongListFixture.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

namespace {

using TSongs = std::vector<std::unique_ptr<TLySong>>;
using TSide = std::optional<TLyTrackBuilder>;

// The songs of `kind`, each of base tracks (see BaseTrack) named after the songs.
TSongs Songs(const QString& kind) {
    TSongs songs;
    auto add = [&](const TSide& one, const TSide& two) {
        songs.push_back(MakeSong(one ? std::optional(one->Build()) : std::nullopt,
                                 two ? std::optional(two->Build()) : std::nullopt));
    };
    // Library One's current value of `part` set by hand on every song.
    auto modifyOne = [&](tLySongPart part, const QVariant& value) {
        for (auto& song : songs) {
            song->CurrentOne().SetValue(part, value);
            song->CalculateDifferences();
        }
    };
    if (kind == u"Equal" || kind == u"RatingModified")
        add(BaseTrack("Song"), BaseTrack("Song"));
    if (kind == u"RatingModified")
        modifyOne(sdRating, 100);
    if (kind == u"NameDiffers" || kind == u"ArtistModified")
        add(BaseTrack("Alpha"), BaseTrack("Alfa"));
    if (kind == u"ArtistModified") {
        add(BaseTrack("Beta"), BaseTrack("Bet"));
        modifyOne(sdArtist, QStringLiteral("Abba Live"));
    }
    if (kind == u"PlaysDiffer")
        add(BaseTrack("Song"), BaseTrack("Song").PlayCount(7));
    if (kind == u"RatingDiffers")
        add(BaseTrack("Song"), BaseTrack("Song").Rating(80));
    if (kind == u"OneOnly")
        add(BaseTrack("Solo"), std::nullopt);
    if (kind == u"ThreeNames" || kind == u"ThreeRatings")
        for (const char* name : {"a", "b", "c"}) {
            const int rating =
                kind == u"ThreeNames" || name[0] == 'c' ? 60 : (name[0] - 'a' + 1) * 20;
            add(BaseTrack(name).Rating(rating), BaseTrack(name).Rating(rating));
        }
    if (kind == u"NeverPlayed")
        for (const char* name : {"a", "b"})
            add(BaseTrack(name).PlayCount(0), BaseTrack(name).PlayCount(0));
    if (kind == u"Ampersand")
        add(BaseTrack("Rock & Roll"), BaseTrack("Rock & Rolls"));
    if (kind == u"Markup")
        add(BaseTrack("<b>Bold</b>"), BaseTrack("<b>Bold</b>"));
    return songs;
}

// A project with songs, all of them selected, and the page showing the selection.
struct TScene {
    explicit TScene(const QString& kind) {
        Fixture.Add(Songs(kind));
        SelectSongs(Selection, Fixture.Result().Songs());
        Info.SetView(Fixture.View(QStringLiteral("All")));
        Info.SetSelection(&Selection);
        Info.resize(1000, 240);
        Info.show();
    }
    ~TScene() { Fixture.Settle(); }
    TLySongPropertiesInfo* Panel(int panel) { return Info.Panel(TLySongInfo::TPanel(panel)); }
    // Each song's current value of `part` in One and Two: "One|Two;One|Two".
    QString Values(tLySongPart part) {
        QStringList texts;
        for (const TLySong* song : Fixture.Result().Songs())
            texts << song->CurrentOne().GetText(part) + u'|' + song->CurrentTwo().GetText(part);
        return texts.join(u';');
    }

    TLySongListFixture Fixture;
    TLySongSelection Selection{&Fixture.Result()};
    TLySongInfo Info;
};

} // namespace

Q_DECLARE_METATYPE(tLySongPart)
Q_DECLARE_METATYPE(tLyCellColour)

class TestLySongInfo : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { VxThreadsStartup(); }

    void partLooks_data() {
        // The label's text; for the rating the star count and picture.
        LyColumns<QString, int, tLySongPart, tLyCellColour, QString>("songs", "panel", "part",
                                                                     "colour", "text");
        using P = TLySongInfo;
        using C = tLyCellColour;
        auto row = [](const char* name, const char* songs, int panel, tLySongPart part, C colour,
                      const char* text) {
            LyRow(name, songs, panel, part, colour, text);
        };
        row("equal", "Equal", P::FinalOne, sdName, C::Normal, "Song");
        row("name differs", "NameDiffers", P::FinalTwo, sdName, C::Red, "Alfa");
        row("name differs, original", "NameDiffers", P::OriginalOne, sdName, C::Red, "Alpha");
        row("plays differ", "PlaysDiffer", P::FinalTwo, sdPlayCount, C::Purple, "Played 7 times");
        row("modified, final", "ArtistModified", P::FinalOne, sdArtist, C::Blue, "Abba Live");
        row("modified, original", "ArtistModified", P::OriginalOne, sdArtist, C::Grey, "Abba");
        row("modified, other side", "ArtistModified", P::FinalTwo, sdArtist, C::Red, "Abba");
        row("side missing", "OneOnly", P::FinalTwo, sdName, C::Normal, "---");
        row("other side missing", "OneOnly", P::FinalOne, sdName, C::Normal, "Solo");
        row("several names", "ThreeNames", P::FinalOne, sdName, C::Normal, "(multiple values)");
        row("never played", "NeverPlayed", P::FinalOne, sdPlayCount, C::Normal, "Played 0 times");
        row("ampersand", "Ampersand", P::FinalOne, sdName, C::Red, "Rock & Roll");
        row("markup", "Markup", P::FinalOne, sdName, C::Normal, "<b>Bold</b>");
        row("stars", "Equal", P::FinalOne, sdRating, C::Normal, "3 star");
        row("stars differ", "RatingDiffers", P::FinalTwo, sdRating, C::Purple, "4 different-star");
        row("stars modified", "RatingModified", P::FinalOne, sdRating, C::Blue, "5 modified-star");
        row("stars modified, original", "RatingModified", P::OriginalOne, sdRating, C::Grey,
            "3 unused-star");
        row("stars of a missing side", "OneOnly", P::FinalTwo, sdRating, C::Normal, "0 star");
        row("several ratings", "ThreeRatings", P::FinalOne, sdRating, C::Normal, "0 star");
    }

    void partLooks() {
        const auto [songs, panel, part, colour, text] =
            LyFetch<QString, int, tLySongPart, tLyCellColour, QString>("songs", "panel", "part",
                                                                       "colour", "text");
        TScene scene(songs);
        TLySongPropertiesInfo* info = scene.Panel(panel);
        QCOMPARE(info->PartColour(part), colour);
        const QColor painted = info->Colour(colour).isValid()
                                   ? info->Colour(colour)
                                   : info->palette().color(QPalette::WindowText);
        QCOMPARE(info->PartWidget(part)->palette().color(QPalette::WindowText), painted);
        if (part == sdRating) {
            QCOMPARE(QStringLiteral("%1 %2").arg(info->StarCount()).arg(info->StarPicture()), text);
        } else {
            QCOMPARE(info->Label(part)->text(), text);
            QCOMPARE(info->Label(part)->textFormat(), Qt::PlainText);
        }
    }

    void editWindow_data() {
        // What the window says when OK is pressed on a value the songs refuse.
        LyColumns<QString, tLySongPart, QString, QString, bool, QString, QString>(
            "songs", "part", "start", "typed", "acceptable", "values", "message");
        const QString played = QStringLiteral("February 19, 2006 12:00:00");
        const QString before = QStringLiteral("March 15, 2023 12:00:00");
        // Each song's value of the part in One and Two, for `count` songs.
        const auto all = [](const QString& value, int count) {
            return QStringList(count, value + u'|' + value).join(u';');
        };
        const auto row = [](const char* name, const char* songs, tLySongPart part,
                            const QString& start, const QString& typed, bool acceptable,
                            const QString& values, const QString& message = {}) {
            LyRow(name, songs, part, start, typed, acceptable, values, message);
        };
        row("rating as stars", "ThreeNames", sdRating, "3", "4", true, all("4", 3));
        row("six stars", "ThreeNames", sdRating, "3", "6", false, all("3", 3));
        row("last played", "ThreeNames", sdLastPlayed, before, played, true, all(played, 3));
        row("never", "ThreeRatings", sdLastPlayed, before, "never", true, all("never", 3));
        row("not a date", "NeverPlayed", sdLastPlayed, before, "soon", true, all(before, 2),
            "[soon] is not a valid [Last Played]: give a date and time as [" + played +
                "], or [never].");
        row("never played", "NeverPlayed", sdPlayCount, "0", "12", true, all("12", 2));
        row("negative play count", "NeverPlayed", sdPlayCount, "0", "-1", false, all("0", 2));
        row("several names", "ThreeNames", sdName, "", "One & All", true, all("One & All", 3));
    }

    void editWindow() {
        const auto [songs, part, start, typed, acceptable, values, message] =
            LyFetch<QString, tLySongPart, QString, QString, bool, QString, QString>(
                "songs", "part", "start", "typed", "acceptable", "values", "message");
        TScene scene(songs);
        TLySongPropertiesInfo* info = scene.Panel(TLySongInfo::FinalTwo);
        QString shown;
        bool okEnabled = !acceptable, closedWithOk = false;
        QStringList messages;
        TLyDialogAnswers answers([&](const TLyDialogRequest& request) {
            if (request.Kind != TLyDialogRequest::Modal) {
                messages << request.Text;
                return TLyDialogAnswer{};
            }
            auto* form = info->findChild<TLySongPropertyForm*>();
            shown = form->EdtValue()->text();
            form->EdtValue()->setText(typed);
            okEnabled = form->BtnOk()->isEnabled();
            // Return presses OK, the default button; nothing while it is disabled. A refused
            // value keeps the window open.
            form->show();
            QTest::keyClick(form->EdtValue(), Qt::Key_Return);
            closedWithOk = form->result() == QDialog::Accepted;
            return TLyDialogAnswer{form->result(), {}};
        });
        info->SetPart(part);
        info->ActEdit()->trigger();
        scene.Fixture.Settle();
        QCOMPARE(answers.Requests.first().Title, QStringLiteral("Edit %1 for %2 Songs")
                                                     .arg(SongPartName(part))
                                                     .arg(scene.Fixture.Result().Songs().Count()));
        QCOMPARE(shown, start);
        QCOMPARE(okEnabled, acceptable);
        QCOMPARE(closedWithOk, acceptable && message.isEmpty());
        QCOMPARE(scene.Values(part), values);
        QCOMPARE(messages.join(u'\n'), message);
    }

    void refusedWhileSongsMayNotChange_data() {
        LyColumns<bool, bool>("projectRuns", "viewGivenLate");
        LyRow("songs changing", false, false);
        LyRow("view given while songs change", false, true);
        LyRow("project running", true, false);
    }

    void refusedWhileSongsMayNotChange() {
        const auto [projectRuns, viewGivenLate] =
            LyFetch<bool, bool>("projectRuns", "viewGivenLate");
        TScene scene(QStringLiteral("NameDiffers"));
        if (viewGivenLate)
            scene.Info.SetView(nullptr);
        TLyDialogAnswers answers;
        TLySongPropertiesInfo* info = scene.Panel(TLySongInfo::FinalOne);
        // The held run ends also when a check fails, before the scene waits for it.
        std::unique_ptr<TLyBlockingRun> run;
        if (projectRuns)
            run = std::make_unique<TLyBlockingRun>(&scene.Fixture.Project(), "Waiting");
        else
            scene.Fixture.Result().BeginUpdate();
        if (viewGivenLate)
            scene.Info.SetView(scene.Fixture.View(QStringLiteral("All")));
        QTest::mouseClick(info->Label(sdName), Qt::LeftButton);
        QTest::mouseClick(info->Label(sdName), Qt::LeftButton, Qt::ControlModifier);
        for (QAction* action : info->MnuPopup()->actions())
            QVERIFY2(!action->isEnabled(), qPrintable(action->text()));
        QCOMPARE(scene.Values(sdName), QStringLiteral("Alpha|Alfa"));
        if (projectRuns)
            run.reset();
        else
            scene.Fixture.Result().EndUpdate();
        scene.Fixture.Settle();
        QVERIFY(answers.Requests.isEmpty()); // neither the edit window nor an error message
        QVERIFY(!info->Frozen());
        QTest::mouseClick(info->Label(sdName), Qt::LeftButton);
        QCOMPARE(scene.Values(sdName), QStringLiteral("Alpha|Alpha"));
    }
};

QTEST_MAIN(TestLySongInfo)
#include "tst_LySongInfo.moc"

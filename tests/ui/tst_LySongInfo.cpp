// The song information page: what each panel shows for the selected songs, the mouse rules and
// popup captions, the edit window, and edits refused while the songs may not change.
#include "LyDialogs.h"
#include "LyMatchResult.h"
#include "LySongInfoFrame.h"
#include "LySongPropertiesFrame.h"
#include "LySongPropertyWindow.h"
#include "LyView.h"
#include "SongBuilders.h"
#include "SongListFixture.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

namespace {

using TSongs = std::vector<std::unique_ptr<TLySong>>;
using TMaker = TSongs (*)();

TSongs Songs(
    std::initializer_list<std::pair<std::optional<TLyTrackBuilder>, std::optional<TLyTrackBuilder>>>
        sides) {
    TSongs songs;
    for (const auto& [one, two] : sides)
        songs.push_back(MakeSong(one ? std::optional(one->Build()) : std::nullopt,
                                 two ? std::optional(two->Build()) : std::nullopt));
    return songs;
}

// Library One's current value of `part` set by hand on every song.
TSongs ModifiedOne(TSongs songs, tLySongPart part, const QVariant& value) {
    for (auto& song : songs) {
        song->CurrentOne().SetValue(part, value);
        song->CalculateDifferences();
    }
    return songs;
}

TSongs Equal() {
    return Songs({{BaseTrack("Song"), BaseTrack("Song")}});
}
TSongs NameDiffers() {
    return Songs({{BaseTrack("Alpha"), BaseTrack("Alfa")}});
}
TSongs PlaysDiffer() {
    return Songs({{BaseTrack("Song"), BaseTrack("Song").PlayCount(7)}});
}
TSongs RatingDiffers() {
    return Songs({{BaseTrack("Song"), BaseTrack("Song").Rating(80)}});
}
TSongs ArtistModified() {
    return ModifiedOne(
        Songs({{BaseTrack("Alpha"), BaseTrack("Alfa")}, {BaseTrack("Beta"), BaseTrack("Bet")}}),
        sdArtist, QStringLiteral("Abba Live"));
}
TSongs RatingModified() {
    return ModifiedOne(Equal(), sdRating, 100);
}
TSongs OneOnly() {
    return Songs({{BaseTrack("Solo"), std::nullopt}});
}
TSongs ThreeNames() {
    return Songs({{BaseTrack("a"), BaseTrack("a")},
                  {BaseTrack("b"), BaseTrack("b")},
                  {BaseTrack("c"), BaseTrack("c")}});
}
TSongs ThreeRatings() {
    return Songs({{BaseTrack("a").Rating(20), BaseTrack("a").Rating(20)},
                  {BaseTrack("b").Rating(40), BaseTrack("b").Rating(40)},
                  {BaseTrack("c"), BaseTrack("c")}});
}
TSongs NeverPlayed() {
    return Songs({{BaseTrack("a").PlayCount(0), BaseTrack("a").PlayCount(0)},
                  {BaseTrack("b").PlayCount(0), BaseTrack("b").PlayCount(0)}});
}
TSongs Ampersand() {
    return Songs({{BaseTrack("Rock & Roll"), BaseTrack("Rock & Rolls")}});
}
TSongs Markup() {
    return Songs({{BaseTrack("<b>Bold</b>"), BaseTrack("<b>Bold</b>")}});
}

// A project with songs, all of them selected, and the page showing the selection.
struct TScene {
    explicit TScene(TMaker maker) {
        Fixture.Add(maker());
        Select();
        Info.SetView(Fixture.View(QStringLiteral("All")));
        Info.SetSelection(&Selection);
        Info.resize(1000, 240);
        Info.show();
    }
    ~TScene() { Fixture.Settle(); }
    // Selects every song again, as the list does after a refresh.
    void Select() { SelectSongs(Selection, Fixture.Result().Songs()); }
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

QString Captions(const TLySongPropertiesInfo* panel) {
    QStringList texts;
    for (const QAction* action : panel->MnuPopup()->actions())
        texts << action->text() + (action->isEnabled() ? QString() : QStringLiteral(" (off)"));
    return texts.join(u'\n');
}

} // namespace

Q_DECLARE_METATYPE(TMaker)
Q_DECLARE_METATYPE(tLySongPart)
Q_DECLARE_METATYPE(tLyCellColour)

class TestLySongInfo : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { VxThreadsStartup(); }

    void partLooks_data() {
        QTest::addColumn<TMaker>("maker");
        QTest::addColumn<int>("panel");
        QTest::addColumn<tLySongPart>("part");
        QTest::addColumn<tLyCellColour>("colour");
        // The label's text; for the rating the star count and picture.
        QTest::addColumn<QString>("text");
        using P = TLySongInfo;
        using C = tLyCellColour;
        QTest::newRow("equal") << &Equal << int(P::FinalOne) << sdName << C::Normal << "Song";
        QTest::newRow("name differs")
            << &NameDiffers << int(P::FinalTwo) << sdName << C::Red << "Alfa";
        QTest::newRow("name differs, original")
            << &NameDiffers << int(P::OriginalOne) << sdName << C::Red << "Alpha";
        QTest::newRow("plays differ")
            << &PlaysDiffer << int(P::FinalTwo) << sdPlayCount << C::Purple << "Played 7 times";
        QTest::newRow("modified, final")
            << &ArtistModified << int(P::FinalOne) << sdArtist << C::Blue << "Abba Live";
        QTest::newRow("modified, original")
            << &ArtistModified << int(P::OriginalOne) << sdArtist << C::Grey << "Abba";
        QTest::newRow("modified, other side")
            << &ArtistModified << int(P::FinalTwo) << sdArtist << C::Red << "Abba";
        QTest::newRow("side missing")
            << &OneOnly << int(P::FinalTwo) << sdName << C::Normal << "---";
        QTest::newRow("other side missing")
            << &OneOnly << int(P::FinalOne) << sdName << C::Normal << "Solo";
        QTest::newRow("several names")
            << &ThreeNames << int(P::FinalOne) << sdName << C::Normal << "(multiple values)";
        QTest::newRow("never played")
            << &NeverPlayed << int(P::FinalOne) << sdPlayCount << C::Normal << "Played 0 times";
        QTest::newRow("ampersand")
            << &Ampersand << int(P::FinalOne) << sdName << C::Red << "Rock & Roll";
        QTest::newRow("markup") << &Markup << int(P::FinalOne) << sdName << C::Normal
                                << "<b>Bold</b>";
        QTest::newRow("stars") << &Equal << int(P::FinalOne) << sdRating << C::Normal << "3 star";
        QTest::newRow("stars differ")
            << &RatingDiffers << int(P::FinalTwo) << sdRating << C::Purple << "4 different-star";
        QTest::newRow("stars modified")
            << &RatingModified << int(P::FinalOne) << sdRating << C::Blue << "5 modified-star";
        QTest::newRow("stars modified, original")
            << &RatingModified << int(P::OriginalOne) << sdRating << C::Grey << "3 unused-star";
        QTest::newRow("stars of a missing side")
            << &OneOnly << int(P::FinalTwo) << sdRating << C::Normal << "0 star";
        QTest::newRow("several ratings")
            << &ThreeRatings << int(P::FinalOne) << sdRating << C::Normal << "0 star";
    }

    void partLooks() {
        QFETCH(TMaker, maker);
        QFETCH(int, panel);
        QFETCH(tLySongPart, part);
        QFETCH(tLyCellColour, colour);
        QFETCH(QString, text);
        TScene scene(maker);
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

    void groupCaptions() {
        TScene scene(&Equal);
        scene.Fixture.Project().Options()->LibraryOne()->SetName(QStringLiteral("R&B"));
        scene.Info.Refresh();
        QStringList titles;
        for (int i = 0; i < 4; ++i)
            titles << scene.Info.Group(TLySongInfo::TPanel(i))->title();
        QCOMPARE(titles, QStringList({"R&&B (original)", "Desktop (original)", "R&&B (final)",
                                      "Desktop (final)"}));
        scene.Info.SetView(nullptr);
        QCOMPARE(scene.Info.Group(TLySongInfo::FinalTwo)->title(), QStringLiteral("Two (final)"));
        QCOMPARE(scene.Info.Group(TLySongInfo::OriginalOne)->title(),
                 QStringLiteral("One (original)"));
    }

    void popupCaptions_data() {
        QTest::addColumn<TMaker>("maker");
        QTest::addColumn<tLySongPart>("part");
        // In menu order; disabled actions marked " (off)".
        QTest::addColumn<QString>("captions");
        QTest::newRow("name differs")
            << &NameDiffers << sdName
            << "Use \"Alpha\" from \"Laptop\"\nUse \"Alfa\" from \"Desktop\"\n"
               "Use &Other Value for Name...\n&Revert Name (off)";
        QTest::newRow("plays") << &PlaysDiffer << sdPlayCount
                               << "Use \"Played 3 times\" from \"Laptop\"\n"
                                  "Use \"Played 7 times\" from \"Desktop\"\n"
                                  "Use &Other Value for Play Count...\n&Revert Play Count (off)";
        QTest::newRow("stars")
            << &RatingDiffers << sdRating
            << "Use \"3 stars\" from \"Laptop\"\nUse \"4 stars\" from \"Desktop\"\n"
               "Use &Other Value for Rating...\n&Revert Rating (off)";
        QTest::newRow("modified") << &ArtistModified << sdArtist
                                  << "Use \"Abba\" from \"Laptop\"\nUse \"Abba\" from \"Desktop\"\n"
                                     "Use &Other Value for Artist...\n&Revert Artist";
        QTest::newRow("several names") << &ThreeNames << sdName
                                       << "Use \"(multiple values)\" from \"Laptop\" (off)\n"
                                          "Use \"(multiple values)\" from \"Desktop\" (off)\n"
                                          "Use &Other Value for Name...\n&Revert Name (off)";
        QTest::newRow("one side")
            << &OneOnly << sdName
            << "Use \"Solo\" from \"Laptop\" (off)\nUse \"---\" from \"Desktop\" "
               "(off)\nUse &Other Value for Name...\n&Revert Name (off)";
        QTest::newRow("ampersand") << &Ampersand << sdName
                                   << "Use \"Rock && Roll\" from \"Laptop\"\n"
                                      "Use \"Rock && Rolls\" from \"Desktop\"\n"
                                      "Use &Other Value for Name...\n&Revert Name (off)";
    }

    void popupCaptions() {
        QFETCH(TMaker, maker);
        QFETCH(tLySongPart, part);
        QFETCH(QString, captions);
        TScene scene(maker);
        TLySongPropertiesInfo* info = scene.Panel(TLySongInfo::FinalOne);
        QTest::mouseClick(info->PartWidget(part), Qt::RightButton);
        QVERIFY(info->MnuPopup()->isVisible());
        info->MnuPopup()->close();
        QCOMPARE(info->Part(), part);
        QCOMPARE(Captions(info), captions);
    }

    void mouseRules_data() {
        QTest::addColumn<int>("panel");
        QTest::addColumn<tLySongPart>("part");
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<QString>("values");
        QTest::addColumn<QString>("window");
        const auto row = [](const char* name, TLySongInfo::TPanel panel, tLySongPart part,
                            Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                            const char* values, const char* window = "") {
            QTest::newRow(name) << int(panel) << part << button << modifiers << values << window;
        };
        const Qt::KeyboardModifiers none, shift(Qt::ShiftModifier), ctrl(Qt::ControlModifier);
        const Qt::MouseButton left = Qt::LeftButton;
        row("click takes One", TLySongInfo::FinalOne, sdName, left, none, "Alpha|Alpha;Beta|Beta");
        row("click takes Two", TLySongInfo::FinalTwo, sdName, left, none, "Alfa|Alfa;Bet|Bet");
        row("click on original Two", TLySongInfo::OriginalTwo, sdName, left, none,
            "Alfa|Alfa;Bet|Bet");
        row("shift reverts", TLySongInfo::FinalTwo, sdArtist, left, shift, "Abba|Abba;Abba|Abba");
        row("ctrl edits", TLySongInfo::FinalOne, sdArtist, left, ctrl,
            "Abba Live|Abba;Abba Live|Abba", "Edit Artist for 2 Songs");
        row("nothing to take", TLySongInfo::FinalOne, sdGenre, left, none, "Pop|Pop;Pop|Pop");
        row("secondary", TLySongInfo::FinalOne, sdName, Qt::RightButton, none,
            "Alpha|Alfa;Beta|Bet");
        row("middle", TLySongInfo::FinalOne, sdName, Qt::MiddleButton, none, "Alpha|Alfa;Beta|Bet");
    }

    void mouseRules() {
        QFETCH(int, panel);
        QFETCH(tLySongPart, part);
        QFETCH(Qt::MouseButton, button);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(QString, values);
        QFETCH(QString, window);
        TScene scene(&ArtistModified);
        TLyDialogAnswers answers([](const TLyDialogRequest&) {
            return TLyDialogAnswer{QDialog::Rejected, {}};
        });
        QTest::mouseClick(scene.Panel(panel)->PartWidget(part), button, modifiers);
        scene.Fixture.Settle();
        scene.Panel(panel)->MnuPopup()->close();
        QCOMPARE(scene.Values(part), values);
        QStringList titles;
        for (const TLyDialogRequest& request : answers.Requests)
            titles << request.Title;
        QCOMPARE(titles.join(u';'), window);
    }

    void hoverOnlyWhereUsePossible() {
        TScene scene(&NameDiffers);
        TLySongPropertiesInfo* info = scene.Panel(TLySongInfo::FinalOne);
        for (const tLySongPart part : {sdName, sdGenre}) {
            QWidget* label = info->PartWidget(part);
            const bool usable = part == sdName;
            QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
            QApplication::sendEvent(label, &enter);
            QCOMPARE(label->font().underline(), usable);
            QCOMPARE(label->palette().color(QPalette::WindowText) == QColor(0, 0, 255), usable);
            QCOMPARE(label->toolTip(),
                     usable ? QStringLiteral("Right-click to show options") : QString());
            info->Refresh(); // keeps the look while the mouse is over the label
            QCOMPARE(label->font().underline(), usable);
            QEvent leave(QEvent::Leave);
            QApplication::sendEvent(label, &leave);
            QVERIFY(!label->font().underline());
            QVERIFY(label->toolTip().isEmpty());
            QCOMPARE(label->palette().color(QPalette::WindowText),
                     usable ? QColor(204, 0, 0) : info->palette().color(QPalette::WindowText));
        }
    }

    void editWindow_data() {
        QTest::addColumn<TMaker>("maker");
        QTest::addColumn<tLySongPart>("part");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("acceptable");
        QTest::addColumn<QString>("values");
        // What the window says when OK is pressed on a value the songs refuse.
        QTest::addColumn<QString>("message");
        const QString played = QStringLiteral("February 19, 2006 12:00:00");
        const QString before = QStringLiteral("March 15, 2023 12:00:00");
        // Each song's value of the part in One and Two, for `count` songs.
        const auto all = [](const QString& value, int count) {
            return QStringList(count, value + u'|' + value).join(u';');
        };
        const auto row = [](const char* name, TMaker maker, tLySongPart part, const QString& start,
                            const QString& typed, bool acceptable, const QString& values,
                            const QString& message = {}) {
            QTest::newRow(name) << maker << part << start << typed << acceptable << values
                                << message;
        };
        row("rating as stars", &ThreeNames, sdRating, "3", "4", true, all("4", 3));
        row("six stars", &ThreeNames, sdRating, "3", "6", false, all("3", 3));
        row("last played", &ThreeNames, sdLastPlayed, before, played, true, all(played, 3));
        row("never", &ThreeRatings, sdLastPlayed, before, "never", true, all("never", 3));
        row("not a date", &NeverPlayed, sdLastPlayed, before, "soon", true, all(before, 2),
            "[soon] is not a valid [Last Played]: give a date and time as [" + played +
                "], or [never].");
        row("never played", &NeverPlayed, sdPlayCount, "0", "12", true, all("12", 2));
        row("negative play count", &NeverPlayed, sdPlayCount, "0", "-1", false, all("0", 2));
        row("several names", &ThreeNames, sdName, "", "One & All", true, all("One & All", 3));
    }

    void editWindow() {
        QFETCH(TMaker, maker);
        QFETCH(tLySongPart, part);
        QFETCH(QString, start);
        QFETCH(QString, typed);
        QFETCH(bool, acceptable);
        QFETCH(QString, values);
        QFETCH(QString, message);
        TScene scene(maker);
        TLySongPropertiesInfo* info = scene.Panel(TLySongInfo::FinalTwo);
        QString shown;
        bool okEnabled = !acceptable;
        QStringList messages;
        bool closedWithOk = false;
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
        QTest::addColumn<bool>("projectRuns");
        QTest::addColumn<bool>("viewGivenLate");
        QTest::newRow("songs changing") << false << false;
        QTest::newRow("view given while songs change") << false << true;
        QTest::newRow("project running") << true << false;
    }

    void refusedWhileSongsMayNotChange() {
        QFETCH(bool, projectRuns);
        QFETCH(bool, viewGivenLate);
        TScene scene(&NameDiffers);
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

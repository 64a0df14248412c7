// The project's option dialogs: what they show of the options, what OK writes back, that
// everything else writes nothing, and that the keyboard alone works them.
#include "LyDataRows.h"
#include "LyDialogKeys.h"
#include "LyDialogParts.h"
#include "LyDialogs.h"
#include "LyLibraryPropertiesWindow.h"
#include "LyMatchOptionsWindow.h"
#include "LyOptions.h"
#include "LyTestSupport.h"
#include "LyTransferOptionsWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <memory>

namespace {

using TUse = TLyMatchOptionsForm::TUse;
constexpr int kModes = TLyMatchOptionsForm::kModeCount;
using enum TLyMatchOptionsForm::TUse;

// Everything the three dialogs can write, as one comparable text.
QString Snapshot(TLyProjectOptions& options) {
    QStringList values;
    for (int side = 0; side < 2; ++side)
        values << options.Library(side)->Name() << options.Library(side)->InputPath();
    for (int part = 0; part < kLySongPartCount; ++part)
        values << QString::number(options.Action(tLySongPart(part)));
    const TLyCompareOptions* compare = options.CompareOptions();
    values << QString::number(options.ForceSynchronize()) << QString::number(compare->Mode())
           << compare->Components().ToIdentifiers() << compare->CanBeEmpty().ToIdentifiers();
    return values.join(u'|');
}

// Options whose two input files exist.
struct TOptionsFixture {
    TLyTempFolder Folder;
    TLyProjectOptions Options;
    TOptionsFixture() {
        Options.LibraryOne()->SetName(QStringLiteral("Laptop"));
        Options.LibraryOne()->SetInputPath(Folder.WriteFile(QStringLiteral("one.xml"), "<plist/>"));
        Options.LibraryTwo()->SetName(QStringLiteral("Desktop"));
        Options.LibraryTwo()->SetInputPath(Folder.WriteFile(QStringLiteral("two.xml"), "<plist/>"));
    }
};

QDialog* MakeDialog(const QString& name, QWidget* parent, TLyProjectOptions* options) {
    if (name == u"library properties") {
        auto* form = new TLyLibraryPropertiesForm(parent);
        form->SetOptions(options);
        return form;
    }
    if (name == u"match options") {
        auto* form = new TLyMatchOptionsForm(parent);
        form->SetOptions(options->CompareOptions());
        return form;
    }
    auto* form = new TLyTransferOptionsForm(parent);
    form->SetOptions(options);
    return form;
}

// Changes every input of `dialog` except the input paths (so that OK stays enabled).
void ChangeEveryInput(QDialog* dialog) {
    for (QLineEdit* edit : dialog->findChildren<QLineEdit*>())
        if (!edit->objectName().startsWith(u"EdtInput"))
            edit->setText(edit->text() + QStringLiteral(" 2"));
    for (QComboBox* list : dialog->findChildren<QComboBox*>())
        list->setCurrentIndex((list->currentIndex() + 1) % list->count());
    for (QCheckBox* box : dialog->findChildren<QCheckBox*>())
        box->toggle();
    for (QRadioButton* button : dialog->findChildren<QRadioButton*>())
        if (!button->isChecked()) {
            button->setChecked(true);
            break;
        }
}

// A component's sets for a list entry; "stale" puts an unused component in CanBeEmpty alone.
void Store(tLySongCompareComponentSet& used, tLySongCompareComponentSet& canBeEmpty,
           tLySongCompareComponent component, TUse use, bool stale) {
    used.Exclude(component);
    canBeEmpty.Exclude(component);
    if (use != cuDoNotUse)
        used.Include(component);
    if (use == cuUseIfAvailable || (use == cuDoNotUse && stale))
        canBeEmpty.Include(component);
}

} // namespace

class TestLyProjectDialogs : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Each row: the four boxes "name one|input one|name two|input two" ("one.xml" and "two.xml"
    // exist, "folder" is a folder), the boxes expected light red, and whether the palette is dark.
    void libraryOkAndMissingBoxes_data() {
        LyColumns<QString, QString, bool>("boxes", "missing", "dark");
        const auto row = [](const char* name, const char* boxes, const char* missing,
                            bool dark = false) {
            LyRow(name, boxes, missing, dark);
        };
        row("all given", "Laptop|one.xml|Desktop|two.xml", "----");
        row("same name, same file", "Same|two.xml|Same|two.xml", "----");
        row("name two cleared", "Laptop|one.xml||two.xml", "--x-");
        row("name one cleared", "|one.xml|Desktop|two.xml", "x---");
        row("input one gone", "A|gone.xml|B|two.xml", "-x--");
        row("input two a folder", "A|one.xml|B|folder", "---x");
        row("input two empty", "A|one.xml|B|", "---x");
        row("nothing given", "|||", "xxxx");
        row("dark palette", "|one.xml|B|gone", "x--x", true);
    }

    void libraryOkAndMissingBoxes() {
        const auto [boxes, missing, dark] =
            LyFetch<QString, QString, bool>("boxes", "missing", "dark");
        TOptionsFixture fixture;
        QDir(fixture.Folder.Path()).mkdir(QStringLiteral("folder"));
        const QString before = Snapshot(fixture.Options);
        TLyLibraryPropertiesForm form;
        if (dark) {
            QPalette palette = form.palette();
            palette.setColor(QPalette::Base, QColor(30, 30, 30));
            palette.setColor(QPalette::Text, QColor(230, 230, 230));
            form.setPalette(palette);
        }
        form.SetOptions(&fixture.Options);
        QVERIFY(form.BtnOk()->isEnabled());
        QLineEdit* const edits[4] = {form.EdtName(0), form.EdtInput(0), form.EdtName(1),
                                     form.EdtInput(1)};
        const QStringList texts = boxes.split(u'|');
        for (int i = 0; i < 4; ++i)
            edits[i]->setText(i % 2 == 0 || texts[i].isEmpty() ? texts[i]
                                                               : fixture.Folder.FilePath(texts[i]));
        const QColor normal = form.palette().color(QPalette::Base);
        const QColor red = dark ? LyMissingInputColour(form.palette()) : QColor(255, 204, 204);
        // The text stays readable on the painted box: far lighter or darker than its colour.
        QVERIFY(qAbs(form.palette().color(QPalette::Text).lightness() - red.lightness()) > 100);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(edits[i]->palette().color(QPalette::Base), missing[i] == u'x' ? red : normal);
        QCOMPARE(form.BtnOk()->isEnabled(), !missing.contains(u'x'));

        form.accept();
        if (!missing.contains(u'x')) {
            QCOMPARE(form.result(), int(QDialog::Accepted));
            for (int side = 0; side < 2; ++side) {
                QCOMPARE(fixture.Options.Library(side)->Name(), edits[2 * side]->text());
                QCOMPARE(fixture.Options.Library(side)->InputPath(), edits[2 * side + 1]->text());
            }
            return;
        }
        QCOMPARE(Snapshot(fixture.Options), before); // refused while OK is disabled
        QCOMPARE(form.result(), int(QDialog::Rejected));
        // Given back, the boxes lose their colour and OK is enabled again.
        for (int i = 0; i < 4; ++i)
            edits[i]->setText(i % 2 == 0 ? QStringLiteral("A")
                                         : fixture.Options.Library(i / 2)->InputPath());
        for (const QLineEdit* edit : edits)
            QCOMPARE(edit->palette().color(QPalette::Base), normal);
        QVERIFY(form.BtnOk()->isEnabled());
    }

    // The browse dialog starts in the stored file's folder; what it chooses goes into the box.
    void libraryBrowse_data() {
        LyColumns<int, QString>("side", "answer"); // empty: cancelled, the typed text stays
        LyRow("one", 0, "/music/chosen.xml");
        LyRow("two", 1, "/music/chosen.xml");
        LyRow("cancelled", 1, "");
    }

    void libraryBrowse() {
        const auto [side, answer] = LyFetch<int, QString>("side", "answer");
        TOptionsFixture fixture;
        const QString stored = fixture.Options.Library(side)->InputPath();
        TLyLibraryPropertiesForm form;
        form.SetOptions(&fixture.Options);
        form.EdtInput(side)->setText(QStringLiteral("/elsewhere/typed.xml"));
        TLyDialogAnswers answers([&](const TLyDialogRequest&) {
            return TLyDialogAnswer{QMessageBox::Ok, answer};
        });
        form.BtnBrowse(side)->click();
        QCOMPARE(answers.Requests.size(), 1);
        const TLyDialogRequest& request = answers.Requests.at(0);
        QCOMPARE(request.Kind, TLyDialogRequest::OpenFile);
        QCOMPARE(request.Title + u'|' + request.Text + u'|' + request.Detail.section(u')', 0, 0),
                 QStringLiteral("Browse for %1...|%2|iTunes Library Files (*.xml")
                     .arg(side == 0 ? "One" : "Two", fixture.Folder.Path()));
        QCOMPARE(form.EdtInput(side)->text(),
                 answer.isEmpty() ? QStringLiteral("/elsewhere/typed.xml") : answer);
        QCOMPARE(form.EdtInput(1 - side)->text(), fixture.Options.Library(1 - side)->InputPath());
        QCOMPARE(fixture.Options.Library(side)->InputPath(), stored); // only OK writes
    }

    // Every combination of the three lists, each reached from another entry; the title component
    // in and out of the sets; every mode.
    void matchComponents_data() {
        LyColumns<QList<int>, bool, int>("uses", "title", "mode"); // uses: artist, album, genre
        int row = 0;
        for (int artist = 0; artist < 3; ++artist)
            for (int album = 0; album < 3; ++album)
                for (int genre = 0; genre < 3; ++genre, ++row)
                    LyRow(qPrintable(QStringLiteral("%1 %2 %3").arg(artist).arg(album).arg(genre)),
                          QList<int>{artist, album, genre}, row % 2 == 0, row % kModes);
    }

    void matchComponents() {
        const auto [uses, title, mode] = LyFetch<QList<int>, bool, int>("uses", "title", "mode");
        const tLySongCompareComponent shown[3] = {sccArtist, sccAlbum, sccGenre};
        TLyCompareOptions options;
        tLySongCompareComponentSet used =
            title ? tLySongCompareComponentSet{sccTitle} : tLySongCompareComponentSet{};
        tLySongCompareComponentSet canBeEmpty = used;
        for (int i = 0; i < 3; ++i) // start from the next entry, so that every list must change
            Store(used, canBeEmpty, shown[i], TUse((uses[i] + 1) % 3), i == 1);
        options.SetComponents(used);
        options.SetCanBeEmpty(canBeEmpty);
        options.SetMode(tLySongCompareMode((mode + 1) % kModes));

        TLyMatchOptionsForm form;
        form.SetOptions(&options);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(form.CbxComponent(shown[i])->currentIndex(), (uses[i] + 1) % 3);
        QVERIFY(form.RbnMode(tLySongCompareMode((mode + 1) % kModes))->isChecked());
        for (int i = 0; i < 3; ++i)
            form.CbxComponent(shown[i])->setCurrentIndex(uses[i]);
        form.RbnMode(tLySongCompareMode(mode))->setChecked(true);
        form.accept();

        used = canBeEmpty =
            title ? tLySongCompareComponentSet{sccTitle} : tLySongCompareComponentSet{};
        for (int i = 0; i < 3; ++i)
            Store(used, canBeEmpty, shown[i], TUse(uses[i]), false);
        QCOMPARE(options.Components().ToIdentifiers(), used.ToIdentifiers());
        QCOMPARE(options.CanBeEmpty().ToIdentifiers(), canBeEmpty.ToIdentifiers());
        QCOMPARE(options.Mode(), tLySongCompareMode(mode));
    }

    // The library names as the "Use" entries, and each entry's index as its action.
    void transferEntries_data() {
        // names: one|two; stored and chosen: the entry per song part
        LyColumns<QString, QList<int>, QList<int>, bool>("names", "stored", "chosen", "force");
        using L = QList<int>;
        LyRow("named libraries", "Laptop|Desktop", L{0, 0, 0, 0, 3, 3, 3}, L{1, 2, 0, 1, 4, 4, 2},
              true);
        LyRow("names as typed", "Rock & Roll|<b>Two</b>", L{1, 2, 1, 2, 1, 2, 4},
              L{0, 0, 2, 0, 3, 3, 0}, false);
        LyRow("adding plays stored", "One|Two", L{0, 0, 0, 0, 5, 3, 3}, L{0, 0, 0, 0, 4, 3, 3},
              false);
        LyRow("adding plays chosen", "One|Two", L{0, 0, 0, 0, 3, 3, 3}, L{0, 0, 0, 0, 5, 3, 3},
              true);
        LyRow("the entries' words as names", "Two|One", L{2, 1, 0, 0, 4, 4, 1},
              L{2, 1, 1, 1, 0, 1, 3}, true);
    }

    void transferEntries() {
        const auto [names, stored, chosen, force] =
            LyFetch<QString, QList<int>, QList<int>, bool>("names", "stored", "chosen", "force");
        const QString one = names.section(u'|', 0, 0), two = names.section(u'|', 1);
        TLyProjectOptions options;
        options.LibraryOne()->SetName(one);
        options.LibraryTwo()->SetName(two);
        for (int part = 0; part < kLySongPartCount; ++part)
            options.SetAction(tLySongPart(part), tLySynchronizeAction(stored[part]));
        options.SetForceSynchronize(!force);
        TLyTransferOptionsForm form;
        form.SetOptions(&options);
        const QStringList tails{"",
                                "",
                                "",
                                "",
                                "|Use Highest|Use Lowest|Add Plays of Both",
                                "|Use Latest|Use Oldest",
                                "|Use Highest|Use Lowest"};
        for (int part = 0; part < kLySongPartCount; ++part) {
            const QComboBox* list = form.CbxAction(tLySongPart(part));
            QStringList entries;
            for (int i = 0; i < list->count(); ++i)
                entries << list->itemText(i);
            QCOMPARE(entries.join(u'|'),
                     QStringLiteral("Do Not Transfer|Use %1|Use %2").arg(one, two) + tails[part]);
            QCOMPARE(list->currentIndex(), stored[part]);
        }
        QCOMPARE(form.ChkForceSynchronize()->isChecked(), !force);

        for (int part = 0; part < kLySongPartCount; ++part)
            form.CbxAction(tLySongPart(part))->setCurrentIndex(chosen[part]);
        form.ChkForceSynchronize()->setChecked(force);
        form.accept();
        const tLySynchronizeAction byIndex[6] = {saIgnore, saUseOne, saUseTwo,
                                                 saUseMax, saUseMin, saAddPlays};
        for (int part = 0; part < kLySongPartCount; ++part)
            QCOMPARE(options.Action(tLySongPart(part)), byIndex[chosen[part]]);
        QCOMPARE(options.ForceSynchronize(), force);
    }

    // Each dialog centred on its window; Tab reaches every input; Return is OK while OK is enabled;
    // Escape, the Cancel button and closing the window write nothing.
    void keyboardAlone_data() {
        LyColumns<QString, QString, bool>("dialog", "end", "accepted"); // end: how it is left
        for (const char* dialog : {"library properties", "match options", "transfer options"}) {
            for (const char* end : {"return", "escape", "cancel", "close"})
                LyRow(qPrintable(QStringLiteral("%1, %2").arg(dialog, end)), dialog, end,
                      end[0] == 'r');
        }
        LyRow("library properties, return with OK disabled", "library properties",
              "return disabled", false);
    }

    void keyboardAlone() {
        const auto [dialog, end, accepted] =
            LyFetch<QString, QString, bool>("dialog", "end", "accepted");
        TOptionsFixture fixture;
        QWidget window;
        window.setGeometry(40, 30, 760, 560);
        std::unique_ptr<QDialog> form(MakeDialog(dialog, &window, &fixture.Options));
        QVERIFY(LyDistanceFromOwnerCentre(form.get()) <= 2);
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QVERIFY(form->focusWidget()); // the first input has the focus at once
        if (auto* radio = qobject_cast<QRadioButton*>(form->focusWidget()))
            QVERIFY(radio->isChecked());
        form->resize(1, 1); // the smallest the layout allows: no text is cut
        QCOMPARE(LyClippedWidgets(form.get()), QStringList());

        // Tab reaches every input; the radio buttons are one stop, arrows move between them.
        QWidget* first = form->focusWidget(); // never a push button, which would take Return
        QSet<QWidget*> reached;
        for (int i = 0; i < 40; ++i) {
            reached.insert(form->focusWidget());
            QTest::keyClick(form->focusWidget(), Qt::Key_Tab);
        }
        const bool radioReached = std::any_of(reached.begin(), reached.end(), [](QWidget* widget) {
            return qobject_cast<QRadioButton*>(widget) != nullptr;
        });
        for (QWidget* input : form->findChildren<QWidget*>())
            if (input->focusPolicy() & Qt::TabFocus && input->isVisible())
                QVERIFY2(reached.contains(input) ||
                             (qobject_cast<QRadioButton*>(input) && radioReached),
                         qPrintable(input->objectName() + u' ' + input->metaObject()->className()));
        const QString before = Snapshot(fixture.Options);
        ChangeEveryInput(form.get());
        if (end == u"return disabled")
            static_cast<TLyLibraryPropertiesForm*>(form.get())->EdtName(1)->clear();
        first->setFocus();
        if (end.startsWith(u"return"))
            QTest::keyClick(first, Qt::Key_Return);
        else if (end == u"escape")
            QTest::keyClick(first, Qt::Key_Escape);
        else if (end == u"cancel")
            form->findChild<QPushButton*>(QStringLiteral("BtnCancel"))->click();
        else
            form->close();
        QCOMPARE(form->isVisible(), end == u"return disabled");
        QCOMPARE(form->result(), accepted ? int(QDialog::Accepted) : int(QDialog::Rejected));
        QCOMPARE(Snapshot(fixture.Options) != before, accepted);
    }
};

QTEST_MAIN(TestLyProjectDialogs)
#include "tst_LyProjectDialogs.moc"

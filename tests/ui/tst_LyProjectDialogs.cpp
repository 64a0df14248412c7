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

} // namespace

class TestLyProjectDialogs : public QObject {
    Q_OBJECT
private Q_SLOTS:
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
};

QTEST_MAIN(TestLyProjectDialogs)
#include "tst_LyProjectDialogs.moc"

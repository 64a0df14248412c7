// The one place through which the windows show message boxes, file and folder dialogs and
// modal windows, so that tests answer them without showing anything.
#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

class QDialog;
class QWidget;

// What a window asks; a test's answerer receives it instead of the user.
struct TLyDialogRequest {
    enum TKind { Message, Question, OpenFile, SaveFile, Folder, Modal };
    TKind Kind = Message;
    QString Title;
    // The message or question text, or the starting file or folder of a file dialog.
    QString Text;
    // The filter of a file dialog; the class name of a modal window.
    QString Detail;
};

// The user's answer: the button pressed, and the chosen file or folder (empty: cancelled).
struct TLyDialogAnswer {
    int Button = QMessageBox::Ok;
    QString Path;
};

class TLyDialogs {
public:
    using TAnswerer = std::function<TLyDialogAnswer(const TLyDialogRequest&)>;

    // While an answerer is set, nothing is shown: every request goes to it. Tests only.
    static void SetAnswerer(TAnswerer answerer);
    static bool Answering();

    static void ShowMessage(QWidget* parent, const QString& text);
    // Yes/No (or OK/Cancel with `okCancel`); true for Yes or OK.
    static bool Confirm(QWidget* parent, const QString& text, bool okCancel = false);
    // A file dialog filter entry in Qt's form: "iTunes Library Files (*.xml)". Join several
    // with ";;".
    static QString Filter(const QString& description, const QString& patterns);

    // The chosen existing file, or an empty text when cancelled. `start` is a file or a folder.
    static QString OpenFile(QWidget* parent, const QString& title, const QString& start,
                            const QString& filter);
    // The chosen file, or an empty text when cancelled. A name without a suffix gets
    // `defaultSuffix` (without the dot) appended, as some desktop dialogs ignore it; an
    // existing file reached only that way is overwritten after the user confirms it.
    static QString SaveFile(QWidget* parent, const QString& title, const QString& start,
                            const QString& filter, const QString& defaultSuffix = {});
    // The desktop's folder chooser, titled `title` ("Browse for Folder..." when empty) and
    // starting at `folder`. Returns the chosen folder ending with "/", or `folder` unchanged
    // when the user cancels.
    static QString ChooseFolder(QWidget* parent, const QString& title, const QString& folder);
    // Runs `dialog` modally; the answer's button is the dialog's result code.
    static int Exec(QDialog* dialog);

private:
    static TLyDialogAnswer Ask(const TLyDialogRequest& request);
};

// Sets an answerer for its lifetime and records every request it answers.
class TLyDialogAnswers {
public:
    explicit TLyDialogAnswers(TLyDialogs::TAnswerer answerer = {});
    ~TLyDialogAnswers();
    TLyDialogAnswers(const TLyDialogAnswers&) = delete;
    TLyDialogAnswers& operator=(const TLyDialogAnswers&) = delete;

    QList<TLyDialogRequest> Requests;
};

#include "LyDialogs.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>

namespace {

TLyDialogs::TAnswerer& Answerer() {
    static TLyDialogs::TAnswerer answerer;
    return answerer;
}

QString Title() {
    return QApplication::applicationDisplayName();
}

} // namespace

void TLyDialogs::SetAnswerer(TAnswerer answerer) {
    Answerer() = std::move(answerer);
}

bool TLyDialogs::Answering() {
    return bool(Answerer());
}

TLyDialogAnswer TLyDialogs::Ask(const TLyDialogRequest& request) {
    return Answerer()(request);
}

void TLyDialogs::ShowMessage(QWidget* parent, const QString& text) {
    if (Answering()) {
        Ask({TLyDialogRequest::Message, Title(), text, {}});
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, Title(), text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool TLyDialogs::Confirm(QWidget* parent, const QString& text, bool okCancel) {
    const auto yes = okCancel ? QMessageBox::Ok : QMessageBox::Yes;
    const auto no = okCancel ? QMessageBox::Cancel : QMessageBox::No;
    if (Answering())
        return Ask({TLyDialogRequest::Question, Title(), text, {}}).Button == yes;
    QMessageBox box(QMessageBox::Question, Title(), text, yes | no, parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(yes);
    return box.exec() == yes;
}

QString TLyDialogs::OpenFile(QWidget* parent, const QString& title, const QString& start,
                             const QString& filter) {
    if (Answering())
        return Ask({TLyDialogRequest::OpenFile, title, start, filter}).Path;
    return QFileDialog::getOpenFileName(parent, title, start, filter);
}

QString TLyDialogs::SaveFile(QWidget* parent, const QString& title, const QString& start,
                             const QString& filter) {
    if (Answering())
        return Ask({TLyDialogRequest::SaveFile, title, start, filter}).Path;
    return QFileDialog::getSaveFileName(parent, title, start, filter);
}

QString TLyDialogs::ChooseFolder(QWidget* parent, const QString& title, const QString& start) {
    if (Answering())
        return Ask({TLyDialogRequest::Folder, title, start, {}}).Path;
    return QFileDialog::getExistingDirectory(parent, title, start);
}

int TLyDialogs::Exec(QDialog* dialog) {
    if (Answering()) {
        const int result = Ask({TLyDialogRequest::Modal,
                                dialog->windowTitle(),
                                {},
                                QString::fromLatin1(dialog->metaObject()->className())})
                               .Button;
        dialog->done(result);
        return result;
    }
    return dialog->exec();
}

TLyDialogAnswers::TLyDialogAnswers(TLyDialogs::TAnswerer answerer) {
    TLyDialogs::SetAnswerer([this, answerer](const TLyDialogRequest& request) {
        Requests.append(request);
        return answerer ? answerer(request) : TLyDialogAnswer{};
    });
}

TLyDialogAnswers::~TLyDialogAnswers() {
    TLyDialogs::SetAnswerer({});
}

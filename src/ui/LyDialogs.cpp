#include "LyDialogs.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>

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

QString TLyDialogs::Filter(const QString& description, const QString& patterns) {
    return QStringLiteral("%1 (%2)").arg(description, patterns);
}

QString TLyDialogs::OpenFile(QWidget* parent, const QString& title, const QString& start,
                             const QString& filter) {
    if (Answering())
        return Ask({TLyDialogRequest::OpenFile, title, start, filter}).Path;
    return QFileDialog::getOpenFileName(parent, title, start, filter);
}

QString TLyDialogs::SaveFile(QWidget* parent, const QString& title, const QString& start,
                             const QString& filter, const QString& defaultSuffix) {
    QString path;
    if (Answering()) {
        path = Ask({TLyDialogRequest::SaveFile, title, start, filter}).Path;
    } else {
        QFileDialog dialog(parent, title, QString(), filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(defaultSuffix);
        if (QFileInfo(start).isDir())
            dialog.setDirectory(start);
        else if (!start.isEmpty())
            dialog.selectFile(start);
        if (dialog.exec() == QDialog::Accepted)
            path = dialog.selectedFiles().value(0);
    }
    if (path.isEmpty() || defaultSuffix.isEmpty() || !QFileInfo(path).suffix().isEmpty())
        return path;
    path += u'.' + defaultSuffix;
    // The dialog's own overwrite question was about the name without the suffix.
    if (QFileInfo::exists(path) &&
        !Confirm(parent, QStringLiteral("The file [%1] already exists. Replace it?").arg(path)))
        return {};
    return path;
}

QString TLyDialogs::ChooseFolder(QWidget* parent, const QString& title, const QString& folder) {
    const QString caption = title.isEmpty() ? QStringLiteral("Browse for Folder...") : title;
    const QString chosen = Answering() ? Ask({TLyDialogRequest::Folder, caption, folder, {}}).Path
                                       : QFileDialog::getExistingDirectory(parent, caption, folder);
    if (chosen.isEmpty())
        return folder;
    return chosen.endsWith(u'/') ? chosen : chosen + u'/';
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

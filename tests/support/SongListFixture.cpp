#include "SongListFixture.h"

#include "LySongListModel.h"
#include "LyView.h"

#include <QApplication>
#include <QTest>

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

std::unique_ptr<TLySongListView> TLySongListFixture::Show(const QString& name, int side,
                                                          bool librarySpecific) {
    auto frame = std::make_unique<TLySongListView>();
    frame->resize(900, 400);
    frame->SetSide(side, librarySpecific);
    frame->show();
    frame->SetView(View(name));
    Settle();
    return frame;
}

QStringList ColumnTexts(const TLySongListView& frame, int column) {
    QStringList texts;
    const TLySongListModel* model = frame.Model();
    for (int row = 0; row < model->rowCount(); ++row)
        texts << model->index(row, column).data().toString();
    return texts;
}

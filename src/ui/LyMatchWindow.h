// The match window, in which the user reviews the pairs proposed for a set of unmatched songs,
// and the flow that opens it.
#pragma once

#include <QDialog>
#include <QList>

class QLabel;
class QPushButton;
class TLyMatchResult;
class TLyProject;
class TLySong;
class TLySongMatchResult;
class TLyWindowOptions;

class TLyMatchForm : public QDialog {
    Q_OBJECT
public:
    explicit TLyMatchForm(QWidget* parent = nullptr);
    ~TLyMatchForm() override;

    TLySongMatchResult* FrmSongMatchResult() const { return FFrmSongMatchResult; }
    QLabel* LblMatchType() const { return FLblMatchType; }
    QLabel* LblFields() const { return FLblFields; }
    QLabel* LblOptional() const { return FLblOptional; }
    QPushButton* BtnOk() const { return FBtnOk; }
    QPushButton* BtnCancel() const { return FBtnCancel; }

    // Shows `result` (not owned) and its project's compare options in the header.
    void SetMatchResult(TLyMatchResult* result);
    // The window's place and size from `geometry` (not owned), stored back when it closes.
    void SetGeometryOptions(TLyWindowOptions* geometry);

    void done(int result) override;

private:
    TLySongMatchResult* FFrmSongMatchResult;
    QLabel* FLblMatchType;
    QLabel* FLblFields;
    QLabel* FLblOptional;
    QPushButton* FBtnOk;
    QPushButton* FBtnCancel;
    TLyWindowOptions* FGeometry = nullptr;
};

// Matches `songs` (none of them matched) of the project's match result in a match window: asks
// for the match options, proposes pairs and, on OK, puts them in place of the songs. False
// when the user cancelled either window.
bool LyMatchSongs(QWidget* parent, TLyProject* project, const QList<TLySong*>& songs);

// The dialog that chooses how songs are matched: the comparison of texts (or of the tracks'
// persistent IDs) and which of artist, album and genre take part.
#pragma once

#include "LyTypes.h"

#include <QDialog>

class QComboBox;
class QRadioButton;
class TLyCompareOptions;

class TLyMatchOptionsForm : public QDialog {
    Q_OBJECT
public:
    // The entries of each component's list, in order.
    enum TUse { cuMustMatch, cuUseIfAvailable, cuDoNotUse };

    static constexpr int kModeCount = scmPersistentIdMatch + 1;

    explicit TLyMatchOptionsForm(QWidget* parent = nullptr);

    // Shows the options' mode and components. Not owned; they must outlive the dialog. OK
    // writes them back; the title component is never shown and stays as stored.
    void SetOptions(TLyCompareOptions* options);

    QRadioButton* RbnMode(tLySongCompareMode mode) const { return FRbnMode[mode]; }
    // Artist, album or genre.
    QComboBox* CbxComponent(tLySongCompareComponent component) const {
        return FCbxComponent[component - sccArtist];
    }

    void accept() override;

private:
    TLyCompareOptions* FOptions = nullptr;
    QRadioButton* FRbnMode[kModeCount];
    QComboBox* FCbxComponent[3];
};

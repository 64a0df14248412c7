// The about box: the program's icon, product name and version.
#pragma once

#include <QDialog>

class QLabel;

// The version as shown: with " Beta" after it for a pre-release build.
QString LyVersionText(const QString& version, bool prerelease);

class TLyAboutForm : public QDialog {
    Q_OBJECT
public:
    // This build's product name and version.
    explicit TLyAboutForm(QWidget* parent = nullptr);
    TLyAboutForm(const QString& product, const QString& version, bool prerelease,
                 QWidget* parent = nullptr);

    QLabel* LblProduct() const { return FLblProduct; }
    QLabel* LblVersion() const { return FLblVersion; }

protected:
    // Draws the icon for the pixel ratio of the screen the box shows on.
    void showEvent(QShowEvent* event) override;

private:
    QLabel* FLblIcon;
    QLabel* FLblProduct;
    QLabel* FLblVersion;
};

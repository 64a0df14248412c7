#include "LySongInfoFrame.h"

#include "ArFormat.h"
#include "LySongPropertiesFrame.h"
#include "LyView.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

TLySongInfo::TLySongInfo(QWidget* parent)
    : TLyBase(parent) {
    static const char* const groupNames[] = {"GrpOriginalOne", "GrpOriginalTwo", "GrpFinalOne",
                                             "GrpFinalTwo"};
    static const char* const panelNames[] = {"FrmOriginalOne", "FrmOriginalTwo", "FrmFinalOne",
                                             "FrmFinalTwo"};
    auto* layout = new QHBoxLayout(this);
    for (int i = 0; i < 4; ++i) {
        FGroups[i] = new QGroupBox(this);
        FGroups[i]->setObjectName(QLatin1String(groupNames[i]));
        FPanels[i] = new TLySongPropertiesInfo(FGroups[i]);
        FPanels[i]->setObjectName(QLatin1String(panelNames[i]));
        auto* inner = new QVBoxLayout(FGroups[i]);
        inner->setContentsMargins(0, 0, 0, 0);
        inner->addWidget(FPanels[i]);
        inner->addStretch();
        layout->addWidget(FGroups[i], 1);
    }
    Refresh();
}

TLySongInfo::~TLySongInfo() {
    EnsureFinalised();
}

void TLySongInfo::Finalise() {
    SetSelection(nullptr);
    SetView(nullptr);
}

void TLySongInfo::SetView(TLyView* view) {
    FView = view;
    for (TLySongPropertiesInfo* panel : FPanels)
        panel->SetView(view);
    Refresh();
}

void TLySongInfo::SetSelection(TLySongSelection* selection) {
    FSelection = selection;
    TLySongSelectionProperties* merged[4] = {};
    if (selection) {
        merged[OriginalOne] = &selection->OriginalOne();
        merged[OriginalTwo] = &selection->OriginalTwo();
        merged[FinalOne] = &selection->CurrentOne();
        merged[FinalTwo] = &selection->CurrentTwo();
    }
    for (int i = 0; i < 4; ++i)
        FPanels[i]->SetSelection(selection, merged[i]);
}

void TLySongInfo::Refresh() {
    for (int i = 0; i < 4; ++i) {
        const QString format =
            i < FinalOne ? QStringLiteral("%s (original)") : QStringLiteral("%s (final)");
        // A group box reads "&" as a mnemonic.
        QString name = FPanels[i]->LibraryName(i % 2);
        name.replace(QLatin1Char('&'), QStringLiteral("&&"));
        FGroups[i]->setTitle(ArFormat(format, {name}));
        FPanels[i]->Refresh();
    }
}

// The frame of the programs that draw windows into the pictures kept in docs/.
#pragma once

#include <QString>

#include <functional>

class QWidget;

// Runs "PROGRAM FOLDER": `draw` saves its pictures into FOLDER with SavePicture, the pointer
// kept off every window. The threads of the program (with `system`, the whole system) are
// started around `draw`. Returns 0 when every picture was saved, 1 when one was not, 2 on a
// usage error.
int RunPictureProgram(int argc, char* argv[], const std::function<bool(const QString&)>& draw,
                      bool system = false);

// Shows `widget`, lets the pending work run and saves its picture as FOLDER/NAME.png, with
// "@2x" before the extension at the screen's pixel ratio 2 (QT_SCALE_FACTOR).
bool SavePicture(QWidget& widget, const QString& folder, const QString& name);

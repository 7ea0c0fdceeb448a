#pragma once

#include <QFileDialog>

namespace FileDialogPlatform {

/// Options of the program's file chooser: the system's common file dialog on Windows, the toolkit's own dialog
/// elsewhere (native dialogs of other desktops differ too much from what operators know). Either way it is shown
/// through the presentation services like every other modal window.
QFileDialog::Options Options();

} // namespace FileDialogPlatform

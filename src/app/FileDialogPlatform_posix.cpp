#include "app/FileDialogPlatform.h"

namespace FileDialogPlatform {

QFileDialog::Options Options() {
    return QFileDialog::DontUseNativeDialog;
}

} // namespace FileDialogPlatform

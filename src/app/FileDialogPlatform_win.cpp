#include "app/FileDialogPlatform.h"

namespace FileDialogPlatform {

QFileDialog::Options Options() {
    return {};
}

} // namespace FileDialogPlatform

#pragma once

#include <QPixmap>

/// A database drum with a red stop mark: the database error window's 32 x 32 picture.
QPixmap DbErrorPicture();

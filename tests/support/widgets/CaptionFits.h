#pragma once

#include <QAbstractButton>

/// True when the whole caption of a check box or radio button shows inside its fixed size: the room the style
/// leaves beside the box is at least as wide as the text.
bool CaptionFits(const QAbstractButton& AButton);

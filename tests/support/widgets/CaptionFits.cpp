#include "CaptionFits.h"

#include <QStyle>
#include <QStyleOptionButton>

bool CaptionFits(const QAbstractButton& AButton) {
    QStyleOptionButton option;
    option.initFrom(&AButton);
    option.text = AButton.text();
    const QRect room = AButton.style()->subElementRect(QStyle::SE_CheckBoxContents, &option, &AButton);
    return AButton.fontMetrics().horizontalAdvance(AButton.text()) <= room.width();
}

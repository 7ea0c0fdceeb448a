#include "widgets/TPresentation.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>

namespace {

TPresentation::ModalHandler modalHandler;
QString applicationTitle;

struct ButtonChoice {
    QMessageBox::StandardButton button;
    int result;
    const char* text;
};

const QList<ButtonChoice>& buttonsOf(unsigned flags) {
    static const ButtonChoice ok{QMessageBox::Ok, TPresentation::IDOK, "OK"};
    static const ButtonChoice cancel{QMessageBox::Cancel, TPresentation::IDCANCEL, "Cancelar"};
    static const ButtonChoice abort{QMessageBox::Abort, TPresentation::IDABORT, "&Anular"};
    static const ButtonChoice retry{QMessageBox::Retry, TPresentation::IDRETRY, "&Repetir"};
    static const ButtonChoice ignore{QMessageBox::Ignore, TPresentation::IDIGNORE, "&Ignorar"};
    static const ButtonChoice yes{QMessageBox::Yes, TPresentation::IDYES, "&Sim"};
    static const ButtonChoice no{QMessageBox::No, TPresentation::IDNO, "&Não"};
    static const QList<QList<ButtonChoice>> byType = {
        {ok}, {ok, cancel}, {abort, retry, ignore}, {yes, no, cancel}, {yes, no}, {retry, cancel}};
    const unsigned type = flags & 0xF;
    return byType[type < byType.size() ? type : 0];
}

QMessageBox::Icon iconOf(unsigned flags) {
    switch (flags & 0xF0) {
    case TPresentation::MB_ICONHAND:
        return QMessageBox::Critical;
    case TPresentation::MB_ICONQUESTION:
        return QMessageBox::Question;
    case TPresentation::MB_ICONEXCLAMATION:
        return QMessageBox::Warning;
    case TPresentation::MB_ICONASTERISK:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

/// Without a Cancel button only a button ends the box, as in the classic Yes/No box: Esc and closing the frame do
/// nothing (the toolkit would answer with the "No" button).
class OnlyButtonsEndBox : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* AWatched, QEvent* AEvent) override {
        if (AEvent->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(AEvent)->matches(QKeySequence::Cancel)) {
            return true;
        }
        if (AEvent->type() == QEvent::Close) {
            AEvent->ignore();
            return true;
        }
        return QObject::eventFilter(AWatched, AEvent);
    }
};

bool hasCancel(const QList<ButtonChoice>& buttons) {
    return buttons.size() == 1 || std::any_of(buttons.cbegin(), buttons.cend(), [](const ButtonChoice& button) {
               return button.result == TPresentation::IDCANCEL;
           });
}

/// Runs a message box built from flags and returns the ID* code of the pressed button.
int runMessageBox(const QString& objectName, const QString& text, const QString& caption, unsigned flags) {
    QMessageBox box(iconOf(flags), caption, text, QMessageBox::NoButton, QApplication::activeWindow());
    box.setObjectName(objectName);
    box.setTextFormat(Qt::PlainText);
    const QList<ButtonChoice>& buttons = buttonsOf(flags);
    for (const ButtonChoice& spec : buttons) {
        box.addButton(spec.button)->setText(QString::fromUtf8(spec.text));
    }
    if (!hasCancel(buttons)) {
        box.setWindowFlag(Qt::WindowCloseButtonHint, false);
        box.installEventFilter(new OnlyButtonsEndBox(&box));
    }
    const auto defaultIndex = static_cast<qsizetype>((flags & 0xF00) >> 8);
    box.setDefaultButton(buttons[defaultIndex < buttons.size() ? defaultIndex : 0].button);
    const int pressed = TPresentation::ShowModal(box);
    for (const ButtonChoice& spec : buttons) {
        if (spec.button == pressed) {
            return spec.result;
        }
    }
    // Closed without a button (only possible where Esc maps to none): the platform reports Cancel.
    return TPresentation::IDCANCEL;
}

} // namespace

int TPresentation::ShowModal(QDialog& dialog) {
    if (modalHandler) {
        return modalHandler(dialog);
    }
    return dialog.exec();
}

void TPresentation::setModalHandler(ModalHandler handler) {
    modalHandler = std::move(handler);
}

void TPresentation::ErrorBox(const QString& text) {
    runMessageBox(QStringLiteral("ErrorBox"), ErrorBoxText(text), ApplicationTitle(), MB_OK | MB_ICONHAND);
}

QString TPresentation::ErrorBoxText(const QString& text) {
    if (!text.isEmpty() && text.back() > QLatin1Char('.')) {
        return text + QLatin1Char('.');
    }
    return text;
}

int TPresentation::QuestionBox(const QString& text, const QString& caption, unsigned flags) {
    return runMessageBox(QStringLiteral("QuestionBox"), text, caption, flags);
}

void TPresentation::InformationBox(const QString& text) {
    // No owner: the box is centred on the screen.
    QMessageBox box(QMessageBox::NoIcon, ApplicationTitle(), text, QMessageBox::NoButton);
    box.setObjectName(QStringLiteral("InformationBox"));
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(box.addButton(QMessageBox::Ok));
    box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
    ShowModal(box);
}

QString TPresentation::ApplicationTitle() {
    return applicationTitle;
}

void TPresentation::SetApplicationTitle(const QString& title) {
    applicationTitle = title;
}

QString TPresentation::TitleFromExecutable(const QString& executablePath) {
    const qsizetype nameStart =
        qMax(executablePath.lastIndexOf(QLatin1Char('/')), executablePath.lastIndexOf(QLatin1Char('\\'))) + 1;
    const QString name = executablePath.mid(nameStart).section(QLatin1Char('.'), 0, 0);
    return name.left(1) + name.mid(1).toLower();
}

#include "ModalAnswers.h"

#include "widgets/TPresentation.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QTest>

namespace {

void failTest(const QString& message) {
    QTest::qFail(qPrintable(message), __FILE__, __LINE__);
}

QString describe(const ModalAnswers::Shown& shown) {
    return QStringLiteral("%1 \"%2\": \"%3\"").arg(shown.kind, shown.caption, shown.text);
}

} // namespace

ModalAnswers::ModalAnswers() {
    TPresentation::setModalHandler([this](QDialog& dialog) { return present(dialog); });
}

ModalAnswers::~ModalAnswers() {
    TPresentation::setModalHandler({});
}

void ModalAnswers::answer(QMessageBox::StandardButton button) {
    handle([button](QDialog& dialog) {
        auto* box = qobject_cast<QMessageBox*>(&dialog);
        QAbstractButton* pressed = box != nullptr ? box->button(button) : nullptr;
        if (pressed == nullptr) {
            failTest(QStringLiteral("The modal window has no button %1").arg(button));
            return int(QDialog::Rejected);
        }
        pressed->click();
        return box->result();
    });
}

void ModalAnswers::acceptFile(const QString& path) {
    handle([path](QDialog& dialog) {
        auto* fileDialog = qobject_cast<QFileDialog*>(&dialog);
        if (fileDialog == nullptr) {
            failTest(QStringLiteral("Expected a file dialog, got %1").arg(dialog.metaObject()->className()));
            return int(QDialog::Rejected);
        }
        fileDialog->selectFile(path);
        dialog.accept(); // QFileDialog::accept checks the choice, as its OK button does
        return fileDialog->result();
    });
}

void ModalAnswers::reject() {
    handle([](QDialog& dialog) {
        dialog.reject();
        return int(QDialog::Rejected);
    });
}

void ModalAnswers::handle(Handler handler) {
    Pending.append(std::move(handler));
}

int ModalAnswers::present(QDialog& dialog) {
    const auto* box = qobject_cast<QMessageBox*>(&dialog);
    Shown shown{dialog.objectName().isEmpty() ? QString::fromLatin1(dialog.metaObject()->className())
                                              : dialog.objectName(),
                dialog.windowTitle(), box != nullptr ? box->text() : QString()};
    ShownModals.append(shown);
    if (Pending.isEmpty()) {
        failTest(QStringLiteral("Unexpected modal window: %1").arg(describe(shown)));
        return int(QDialog::Rejected);
    }
    return Pending.takeFirst()(dialog);
}

#pragma once

#include <QList>
#include <QMessageBox>
#include <QString>

#include <functional>

class QDialog;

/// Answers, in order, the modal windows a test expects, and records every modal window shown. While it lives it is
/// the presentation services' modal handler, so no modal window ever blocks a test:
///
///     ModalAnswers modals;                        // installs itself
///     modals.answer(QMessageBox::Yes);            // next modal: a message box; press its Yes button
///     modals.acceptFile(path);                    // then a file dialog: choose path (must exist) and confirm
///     modals.handle([](QDialog& d) {              // then any dialog: drive it, return what exec() would return
///         d.findChild<QLineEdit*>("edtServidor")->setText("srv");
///         return int(QDialog::Accepted);
///     });
///     window->doSomething();
///     QCOMPARE(modals.shown().at(0).kind, QStringLiteral("QuestionBox"));
///     QVERIFY(modals.allAnswered());
///
/// kind is the dialog's objectName ("ErrorBox", "QuestionBox", "InformationBox", "OpenDialog1", ...) or its class
/// name when it has none. A modal window without a queued answer fails the running test and is rejected at once.
class ModalAnswers {
public:
    using Handler = std::function<int(QDialog&)>;

    struct Shown {
        QString kind;
        QString caption;
        QString text; ///< a message box's text; empty for other dialogs
    };

    ModalAnswers();
    ~ModalAnswers();
    ModalAnswers(const ModalAnswers&) = delete;
    ModalAnswers& operator=(const ModalAnswers&) = delete;

    /// The next modal is a message box: press its button (the test fails when the box has no such button).
    void answer(QMessageBox::StandardButton button);
    /// The next modal is a file dialog: select the existing file path and confirm.
    void acceptFile(const QString& path);
    /// The next modal, whatever it is, is closed as if cancelled.
    void reject();
    /// The next modal goes to handler.
    void handle(Handler handler);

    const QList<Shown>& shown() const { return ShownModals; }
    /// True when every queued answer has been used.
    bool allAnswered() const { return Pending.isEmpty(); }

private:
    int present(QDialog& dialog);

    QList<Handler> Pending;
    QList<Shown> ShownModals;
};

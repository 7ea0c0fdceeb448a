#pragma once

#include <QString>

#include <functional>

class QDialog;

/// Presentation services of the whole program: the error, question and information boxes, the application title,
/// and the one door through which every modal window is shown. UI thread only.
///
/// Tests install a modal handler; it is called instead of QDialog::exec() with the real, fully built dialog (its
/// objectName tells the boxes apart: "ErrorBox", "QuestionBox", "InformationBox"), may read and drive it, and returns
/// what exec() would have returned. tests/support/widgets/ModalAnswers.h wraps it.
class TPresentation {
public:
    // Flags of QuestionBox, with the platform message box's values.
    static constexpr unsigned MB_OK = 0x0;
    static constexpr unsigned MB_OKCANCEL = 0x1;
    static constexpr unsigned MB_ABORTRETRYIGNORE = 0x2;
    static constexpr unsigned MB_YESNOCANCEL = 0x3;
    static constexpr unsigned MB_YESNO = 0x4;
    static constexpr unsigned MB_RETRYCANCEL = 0x5;
    static constexpr unsigned MB_ICONHAND = 0x10;
    static constexpr unsigned MB_ICONQUESTION = 0x20;
    static constexpr unsigned MB_ICONEXCLAMATION = 0x30;
    static constexpr unsigned MB_ICONASTERISK = 0x40;
    static constexpr unsigned MB_DEFBUTTON2 = 0x100;
    static constexpr unsigned MB_DEFBUTTON3 = 0x200;

    // Results of QuestionBox: the code of the pressed button.
    static constexpr int IDOK = 1;
    static constexpr int IDCANCEL = 2;
    static constexpr int IDABORT = 3;
    static constexpr int IDRETRY = 4;
    static constexpr int IDIGNORE = 5;
    static constexpr int IDYES = 6;
    static constexpr int IDNO = 7;

    using ModalHandler = std::function<int(QDialog&)>;

    /// Shows dialog modally and returns its result; the installed modal handler takes its place when set.
    static int ShowModal(QDialog& dialog);
    /// Installs handler for every later ShowModal; an empty function restores exec().
    static void setModalHandler(ModalHandler handler);

    /// The error box: ErrorBoxText(text), caption ApplicationTitle(), stop icon, one OK button.
    static void ErrorBox(const QString& text);
    /// The text an error box shows: "." appended when text is not empty and its last character is above ".".
    static QString ErrorBoxText(const QString& text);
    /// A message box with the caller's text, caption and MB_* flags; returns the ID* code of the pressed button.
    static int QuestionBox(const QString& text, const QString& caption, unsigned flags);
    /// Text with the application title as caption, no icon and one "OK" button, centred.
    static void InformationBox(const QString& text);

    /// The title computed at start-up by SetApplicationTitle; empty before.
    static QString ApplicationTitle();
    static void SetApplicationTitle(const QString& title);
    /// The title for an executable: its file name after the last "/" or "\", cut at the first ".", every character
    /// after the first in lower case.
    static QString TitleFromExecutable(const QString& executablePath);
};

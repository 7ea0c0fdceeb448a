#pragma once

#include "data/TDbErrors.h"

#include <QDialog>
#include <QPointer>
#include <QString>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTreeWidget;
class QWidget;

/// The database error window: an engine error in full, with its diagnostic records, the failed command and the
/// error object. Created once and reused; it copies what it shows, so the error need not outlive Fill. Centred over the
/// main window at each showing. UI thread only.
///
/// Child widgets carry object names (btnOK, btnCopy, btnDetails, btnPrior, btnNext, mmoMessage, pgcDetails,
/// tshError, tshQuery, tshOther, edtErrorCode, edtErrorKind, mmoMessageText, edtServerObject,
/// edtCommandTextOffset, mmoCommandText, lvwParams, edtClassName, edtStrataErrorCode, edtStrataObjectName).
class TDbErrorWindow : public QDialog {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 445;
    static constexpr int HeightWithoutDetails = 154;
    static constexpr int DetailsHeight = 266;
    static constexpr int HeightWithDetails = HeightWithoutDetails + DetailsHeight;

    explicit TDbErrorWindow(QWidget* AParent = nullptr);
    ~TDbErrorWindow() override;

    /// Fills every part of the window from AError and shows its first diagnostic record.
    void Fill(const EDbEngineError& AError);
    /// Shows diagnostic record AIndex, brought into range first.
    void ShowRecord(int AIndex);
    int RecordIndex() const { return CurrentRecord; }

    bool DetailsShown() const;
    /// Shows or hides the details panel and resizes the window to match.
    void SetDetailsShown(bool AShown);

    /// What Copy puts on the clipboard (DbErrorTexts::CopyText), with the record currently shown.
    QString CopyText() const;
    void Copy();

protected:
    bool eventFilter(QObject* AWatched, QEvent* AEvent) override;
    void showEvent(QShowEvent* AEvent) override;
    void hideEvent(QHideEvent* AEvent) override;

private:
    QWidget* CreateTopBand();
    QWidget* CreateBody();
    QWidget* CreateDetails();
    QWidget* CreateErrorPage();
    QWidget* CreateQueryPage();
    QWidget* CreateOtherPage();
    void UpdateDetailsButton();

    EDbEngineError Error{QString(), QString(), 0}; ///< a copy of the error shown
    int CurrentRecord = 0;
    QPointer<QWidget> PreviouslyActive;

    QPlainTextEdit* mmoMessage = nullptr;
    QPushButton* btnCopy = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnDetails = nullptr;
    QWidget* pnlDetails = nullptr;
    QTabWidget* pgcDetails = nullptr;
    QWidget* tshQuery = nullptr;
    QLineEdit* edtErrorCode = nullptr;
    QLineEdit* edtErrorKind = nullptr;
    QPlainTextEdit* mmoMessageText = nullptr;
    QLineEdit* edtServerObject = nullptr;
    QLineEdit* edtCommandTextOffset = nullptr;
    QPushButton* btnPrior = nullptr;
    QPushButton* btnNext = nullptr;
    QPlainTextEdit* mmoCommandText = nullptr;
    QTreeWidget* lvwParams = nullptr;
    QLineEdit* edtClassName = nullptr;
    QLineEdit* edtStrataErrorCode = nullptr;
    QLineEdit* edtStrataObjectName = nullptr;
};

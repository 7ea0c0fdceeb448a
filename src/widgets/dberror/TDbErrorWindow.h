#pragma once

#include "data/TDbErrors.h"

#include <QDialog>
#include <QList>
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
/// error object. Created once and reused; it copies what it shows, so the error need not outlive Fill. UI thread only.
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

    explicit TDbErrorWindow(QWidget* parent = nullptr);
    ~TDbErrorWindow() override;

    /// Fills every part of the window from AError and shows its first diagnostic record.
    void Fill(const EDbEngineError& AError);
    /// Shows diagnostic record AIndex, brought into range first.
    void ShowRecord(int AIndex);
    int RecordIndex() const { return CurrentRecord; }

    bool DetailsShown() const;
    /// Shows or hides the details panel and resizes the window to match.
    void SetDetailsShown(bool AShown);

    /// What Copy puts on the clipboard: every line ends in CR LF; record fields as currently shown.
    QString CopyText() const;
    void Copy();

    /// A native error code as the window shows it: zero-padded to five digits when greater than 0.
    static QString FormatErrorCode(int ACode);
    /// AText with every line break (CR LF, lone CR or lone LF) made CR LF.
    static QString ToCrLf(const QString& AText);
    /// True when ACommandText has a character other than a blank or a control character.
    static bool HasCommandText(const QString& ACommandText);

    static QString Caption();
    static QString BandText();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QWidget* CreateTopBand();
    QWidget* CreateBody();
    QWidget* CreateDetails();
    QWidget* CreateErrorPage();
    QWidget* CreateQueryPage();
    QWidget* CreateOtherPage();
    void CenterOverMainWindow();
    void UpdateDetailsButton();

    QList<TDbDiagRecord> Records;
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

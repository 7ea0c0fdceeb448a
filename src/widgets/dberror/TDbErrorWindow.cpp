#include "widgets/dberror/TDbErrorWindow.h"

#include "widgets/ScreenCentring.h"
#include "widgets/dberror/DbErrorPicture.h"
#include "widgets/dberror/DbErrorTexts.h"

#include <QApplication>
#include <QClipboard>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int TopBandHeight = 39;

QLabel* heading(const QString& AText, QWidget* AParent) {
    auto* label = new QLabel(AText, AParent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

QLineEdit* valueField(const QString& AName, QWidget* AParent) {
    auto* field = new QLineEdit(AParent);
    field->setObjectName(AName);
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::ClickFocus);
    return field;
}

QPlainTextEdit* textField(const QString& AName, QWidget* AParent) {
    auto* field = new QPlainTextEdit(AParent);
    field->setObjectName(AName);
    field->setReadOnly(true);
    field->setTabChangesFocus(true);
    field->setFocusPolicy(Qt::ClickFocus);
    return field;
}

QPushButton* button(const QString& AName, const QString& AText, QWidget* AParent) {
    auto* result = new QPushButton(AText, AParent);
    result->setObjectName(AName);
    // Enter belongs to the default button whatever has the focus.
    result->setAutoDefault(false);
    return result;
}

bool isCopyKey(const QKeyEvent& AKey) {
    return AKey.modifiers() == Qt::ControlModifier && (AKey.key() == Qt::Key_C || AKey.key() == Qt::Key_Insert);
}

} // namespace

// The fixed dialog frame is asked for besides the fixed size: without it Windows gives a sizeable frame, which can be
// dragged larger than the content.
TDbErrorWindow::TDbErrorWindow(QWidget* AParent)
    : QDialog(AParent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("DbErrorWindow"));
    setWindowTitle(DbErrorTexts::Caption());
    setFont(QFont(QStringLiteral("Tahoma"), 8));

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetNoConstraint);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(CreateTopBand());
    layout->addWidget(CreateBody());
    layout->addWidget(CreateDetails());

    // Copy keys work wherever the focus is, even in boxes that would copy their own selection.
    for (QWidget* child : findChildren<QWidget*>()) {
        child->installEventFilter(this);
    }
    SetDetailsShown(false);
    ScreenCentring::Install(*this, ScreenCentring::TOver::MainWindow);
}

TDbErrorWindow::~TDbErrorWindow() = default;

QWidget* TDbErrorWindow::CreateTopBand() {
    auto* band = new QWidget(this);
    band->setFixedHeight(TopBandHeight);
    auto* picture = new QLabel(band);
    picture->setObjectName(QStringLiteral("imgPicture"));
    picture->setPixmap(DbErrorPicture());
    picture->setFixedSize(32, 32);
    auto* text = new QLabel(DbErrorTexts::BandText(), band);
    text->setObjectName(QStringLiteral("lblBand"));
    text->setWordWrap(true);
    auto* layout = new QHBoxLayout(band);
    layout->setContentsMargins(8, 4, 8, 3);
    layout->setSpacing(10);
    layout->addWidget(picture);
    layout->addWidget(text, 1);
    return band;
}

QWidget* TDbErrorWindow::CreateBody() {
    auto* body = new QWidget(this);
    body->setFixedHeight(HeightWithoutDetails - TopBandHeight);
    mmoMessage = new QPlainTextEdit(body);
    mmoMessage->setObjectName(QStringLiteral("mmoMessage"));
    mmoMessage->setReadOnly(true);
    mmoMessage->setTabChangesFocus(true);
    mmoMessage->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    btnCopy = button(QStringLiteral("btnCopy"), QStringLiteral("&Copy"), body);
    btnOK = button(QStringLiteral("btnOK"), QStringLiteral("&OK"), body);
    btnOK->setDefault(true);
    btnDetails = button(QStringLiteral("btnDetails"), QString(), body);
    connect(btnCopy, &QPushButton::clicked, this, &TDbErrorWindow::Copy);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnDetails, &QPushButton::clicked, this, [this] { SetDetailsShown(!DetailsShown()); });

    auto* buttons = new QHBoxLayout();
    buttons->addWidget(btnCopy);
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnDetails);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(8, 0, 8, 8);
    layout->setSpacing(6);
    layout->addWidget(mmoMessage, 1);
    layout->addLayout(buttons);
    return body;
}

QWidget* TDbErrorWindow::CreateDetails() {
    pnlDetails = new QWidget(this);
    pnlDetails->setObjectName(QStringLiteral("pnlDetails"));
    pnlDetails->setFixedHeight(DetailsHeight);
    pgcDetails = new QTabWidget(pnlDetails);
    pgcDetails->setObjectName(QStringLiteral("pgcDetails"));
    pgcDetails->addTab(CreateErrorPage(), QStringLiteral("Error"));
    tshQuery = CreateQueryPage();
    pgcDetails->addTab(tshQuery, QStringLiteral("Query"));
    pgcDetails->addTab(CreateOtherPage(), QStringLiteral("Other"));
    auto* layout = new QVBoxLayout(pnlDetails);
    layout->setContentsMargins(8, 0, 8, 8);
    layout->addWidget(pgcDetails);
    return pnlDetails;
}

QWidget* TDbErrorWindow::CreateErrorPage() {
    auto* page = new QWidget();
    page->setObjectName(QStringLiteral("tshError"));
    edtErrorCode = valueField(QStringLiteral("edtErrorCode"), page);
    edtErrorKind = valueField(QStringLiteral("edtErrorKind"), page);
    mmoMessageText = textField(QStringLiteral("mmoMessageText"), page);
    edtServerObject = valueField(QStringLiteral("edtServerObject"), page);
    edtCommandTextOffset = valueField(QStringLiteral("edtCommandTextOffset"), page);
    btnPrior = button(QStringLiteral("btnPrior"), QStringLiteral("&<<"), page);
    btnNext = button(QStringLiteral("btnNext"), QStringLiteral(">&>"), page);
    btnPrior->setFixedWidth(32);
    btnNext->setFixedWidth(32);
    connect(btnPrior, &QPushButton::clicked, this, [this] { ShowRecord(CurrentRecord - 1); });
    connect(btnNext, &QPushButton::clicked, this, [this] { ShowRecord(CurrentRecord + 1); });

    auto* steps = new QHBoxLayout();
    steps->addStretch(1);
    steps->addWidget(btnPrior);
    steps->addWidget(btnNext);
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(8, 6, 8, 6);
    grid->setVerticalSpacing(4);
    grid->addWidget(heading(QStringLiteral("Advanced Error Information"), page), 0, 0, 1, 4);
    grid->addWidget(new QLabel(QStringLiteral("Error code:"), page), 1, 0);
    grid->addWidget(edtErrorCode, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Error kind:"), page), 1, 2);
    grid->addWidget(edtErrorKind, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Message text:"), page), 2, 0, Qt::AlignTop);
    grid->addWidget(mmoMessageText, 2, 1, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Server object:"), page), 3, 0);
    grid->addWidget(edtServerObject, 3, 1, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Command text offset:"), page), 4, 0);
    grid->addWidget(edtCommandTextOffset, 4, 1);
    grid->addLayout(steps, 4, 2, 1, 2);
    grid->setRowStretch(2, 1);
    grid->setColumnStretch(3, 1);
    return page;
}

QWidget* TDbErrorWindow::CreateQueryPage() {
    auto* page = new QWidget();
    page->setObjectName(QStringLiteral("tshQuery"));
    mmoCommandText = textField(QStringLiteral("mmoCommandText"), page);
    mmoCommandText->setLineWrapMode(QPlainTextEdit::NoWrap);
    mmoCommandText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    mmoCommandText->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    lvwParams = new QTreeWidget(page);
    lvwParams->setObjectName(QStringLiteral("lvwParams"));
    lvwParams->setRootIsDecorated(false);
    lvwParams->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvwParams->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Value")});
    lvwParams->header()->setStretchLastSection(false);
    lvwParams->setColumnWidth(0, 150);
    lvwParams->setColumnWidth(1, 250);

    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->setSpacing(4);
    layout->addWidget(heading(QStringLiteral("Failed Command Information"), page));
    layout->addWidget(new QLabel(QStringLiteral("Command text:"), page));
    layout->addWidget(mmoCommandText, 1);
    layout->addWidget(new QLabel(QStringLiteral("Command parameters:"), page));
    layout->addWidget(lvwParams, 1);
    return page;
}

QWidget* TDbErrorWindow::CreateOtherPage() {
    auto* page = new QWidget();
    page->setObjectName(QStringLiteral("tshOther"));
    edtClassName = valueField(QStringLiteral("edtClassName"), page);
    edtStrataErrorCode = valueField(QStringLiteral("edtStrataErrorCode"), page);
    edtStrataObjectName = valueField(QStringLiteral("edtStrataObjectName"), page);

    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(8, 6, 8, 6);
    grid->setVerticalSpacing(4);
    grid->addWidget(heading(QStringLiteral("Exception Object Information"), page), 0, 0, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Exception class name:"), page), 1, 0);
    grid->addWidget(edtClassName, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Strata error code:"), page), 2, 0);
    grid->addWidget(edtStrataErrorCode, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("Strata object name:"), page), 3, 0);
    grid->addWidget(edtStrataObjectName, 3, 1);
    grid->setRowStretch(4, 1);
    return page;
}

void TDbErrorWindow::Fill(const EDbEngineError& AError) {
    Error = AError;
    mmoMessage->setPlainText(DbErrorTexts::ToCrLf(AError.message()));
    edtClassName->setText(AError.TypeName);
    edtStrataErrorCode->setText(QString::number(AError.LayerCode));
    edtStrataObjectName->setText(AError.ObjectName);

    ShowRecord(0);

    mmoCommandText->setPlainText(DbErrorTexts::ToCrLf(AError.CommandText));
    lvwParams->clear();
    for (const auto& [name, value] : AError.Params) {
        lvwParams->addTopLevelItem(new QTreeWidgetItem(QStringList{name, value}));
    }
    pgcDetails->setTabVisible(pgcDetails->indexOf(tshQuery),
                              DbErrorTexts::HasCommandText(AError.CommandText) || !AError.Params.isEmpty());
    btnOK->setFocus();
}

void TDbErrorWindow::ShowRecord(int AIndex) {
    const QList<TDbDiagRecord>& records = Error.Records;
    CurrentRecord = qBound(0, AIndex, qMax(0, int(records.size()) - 1));
    btnPrior->setEnabled(CurrentRecord > 0);
    btnNext->setEnabled(CurrentRecord < records.size() - 1);
    if (records.isEmpty()) {
        edtErrorCode->clear();
        edtErrorKind->clear();
        mmoMessageText->clear();
        edtServerObject->clear();
        edtCommandTextOffset->clear();
        return;
    }
    const TDbDiagRecord& record = records.at(CurrentRecord);
    edtErrorCode->setText(DbErrorTexts::FormatErrorCode(record.NativeError));
    edtErrorKind->setText(DbErrorKindName(record.Kind));
    mmoMessageText->setPlainText(DbErrorTexts::ToCrLf(record.MessageText));
    edtServerObject->setText(record.ObjName);
    edtCommandTextOffset->setText(DbErrorTexts::FormatCommandTextOffset(record.CommandTextOffset));
}

bool TDbErrorWindow::DetailsShown() const {
    return !pnlDetails->isHidden();
}

void TDbErrorWindow::SetDetailsShown(bool AShown) {
    pnlDetails->setVisible(AShown);
    setFixedSize(ClientWidth, AShown ? HeightWithDetails : HeightWithoutDetails);
    UpdateDetailsButton();
}

void TDbErrorWindow::UpdateDetailsButton() {
    const QString details = QStringLiteral("Details");
    btnDetails->setText(DetailsShown() ? QStringLiteral("<< %1").arg(details) : QStringLiteral("%1 >>").arg(details));
}

QString TDbErrorWindow::CopyText() const {
    return DbErrorTexts::CopyText(Error, CurrentRecord);
}

void TDbErrorWindow::Copy() {
    QGuiApplication::clipboard()->setText(CopyText());
}

bool TDbErrorWindow::eventFilter(QObject* AWatched, QEvent* AEvent) {
    if (AEvent->type() == QEvent::KeyPress && isCopyKey(*static_cast<QKeyEvent*>(AEvent))) {
        Copy();
        return true;
    }
    if (AEvent->type() == QEvent::ShortcutOverride && isCopyKey(*static_cast<QKeyEvent*>(AEvent))) {
        // Claim the key so that it arrives as a key press instead of triggering some shortcut.
        AEvent->accept();
        return true;
    }
    return QDialog::eventFilter(AWatched, AEvent);
}

void TDbErrorWindow::showEvent(QShowEvent* AEvent) {
    QWidget* active = QApplication::activeWindow();
    PreviouslyActive = active != this ? active : nullptr;
    QDialog::showEvent(AEvent);
    raise();
    activateWindow();
    btnOK->setFocus();
}

void TDbErrorWindow::hideEvent(QHideEvent* AEvent) {
    QDialog::hideEvent(AEvent);
    if (PreviouslyActive != nullptr && PreviouslyActive->isVisible()) {
        PreviouslyActive->raise();
        PreviouslyActive->activateWindow();
    }
    PreviouslyActive = nullptr;
}

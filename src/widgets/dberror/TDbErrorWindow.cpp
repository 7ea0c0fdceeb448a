#include "widgets/dberror/TDbErrorWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString CrLf = QStringLiteral("\r\n");
const QString Separator = QString(43, QLatin1Char('-'));
constexpr int TopBandHeight = 39;

/// A database drum with a red stop mark: the window's 32 x 32 picture.
QPixmap errorPicture() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF body(3, 5, 20, 22);
    painter.setPen(QPen(QColor(40, 60, 110), 1));
    painter.setBrush(QColor(120, 150, 210));
    painter.drawRect(body);
    painter.drawEllipse(QRectF(body.left(), body.bottom() - 3, body.width(), 6));
    painter.setPen(Qt::NoPen);
    painter.drawRect(QRectF(body.left() + 0.5, body.top(), body.width() - 1, body.height()));
    painter.setPen(QPen(QColor(40, 60, 110), 1));
    painter.drawLine(QPointF(body.left(), body.top()), QPointF(body.left(), body.bottom()));
    painter.drawLine(QPointF(body.right(), body.top()), QPointF(body.right(), body.bottom()));
    painter.setBrush(QColor(170, 195, 240));
    painter.drawEllipse(QRectF(body.left(), body.top() - 3, body.width(), 6));
    const QRectF stop(15, 15, 16, 16);
    painter.setPen(QPen(QColor(120, 0, 0), 1));
    painter.setBrush(QColor(215, 30, 30));
    painter.drawEllipse(stop);
    painter.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(19.5, 19.5), QPointF(26.5, 26.5));
    painter.drawLine(QPointF(26.5, 19.5), QPointF(19.5, 26.5));
    return pixmap;
}

QLabel* heading(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

QLineEdit* valueField(const QString& name, QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::ClickFocus);
    return field;
}

QPlainTextEdit* textField(const QString& name, QWidget* parent) {
    auto* field = new QPlainTextEdit(parent);
    field->setObjectName(name);
    field->setReadOnly(true);
    field->setTabChangesFocus(true);
    field->setFocusPolicy(Qt::ClickFocus);
    return field;
}

QPushButton* button(const QString& name, const QString& text, QWidget* parent) {
    auto* result = new QPushButton(text, parent);
    result->setObjectName(name);
    // Enter belongs to the default button whatever has the focus.
    result->setAutoDefault(false);
    return result;
}

bool isCopyKey(const QKeyEvent& key) {
    return key.modifiers() == Qt::ControlModifier && (key.key() == Qt::Key_C || key.key() == Qt::Key_Insert);
}

} // namespace

TDbErrorWindow::TDbErrorWindow(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("DbErrorWindow"));
    setWindowTitle(Caption());
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
}

TDbErrorWindow::~TDbErrorWindow() = default;

QString TDbErrorWindow::Caption() {
    return QStringLiteral("Strata Error");
}

QString TDbErrorWindow::BandText() {
    return QStringLiteral("The application performed an incorrect operation with the database.");
}

QWidget* TDbErrorWindow::CreateTopBand() {
    auto* band = new QWidget(this);
    band->setFixedHeight(TopBandHeight);
    auto* picture = new QLabel(band);
    picture->setObjectName(QStringLiteral("imgPicture"));
    picture->setPixmap(errorPicture());
    picture->setFixedSize(32, 32);
    auto* text = new QLabel(BandText(), band);
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
    mmoMessage->setPlainText(ToCrLf(AError.message()));
    edtClassName->setText(AError.TypeName);
    edtStrataErrorCode->setText(QString::number(AError.LayerCode));
    edtStrataObjectName->setText(AError.ObjectName);

    Records = AError.Records;
    ShowRecord(0);

    mmoCommandText->setPlainText(ToCrLf(AError.CommandText));
    lvwParams->clear();
    for (const auto& [name, value] : AError.Params) {
        lvwParams->addTopLevelItem(new QTreeWidgetItem(QStringList{name, value}));
    }
    pgcDetails->setTabVisible(pgcDetails->indexOf(tshQuery),
                              HasCommandText(AError.CommandText) || !AError.Params.isEmpty());
    btnOK->setFocus();
}

void TDbErrorWindow::ShowRecord(int AIndex) {
    CurrentRecord = qBound(0, AIndex, qMax(0, int(Records.size()) - 1));
    btnPrior->setEnabled(CurrentRecord > 0);
    btnNext->setEnabled(CurrentRecord < Records.size() - 1);
    if (Records.isEmpty()) {
        edtErrorCode->clear();
        edtErrorKind->clear();
        mmoMessageText->clear();
        edtServerObject->clear();
        edtCommandTextOffset->clear();
        return;
    }
    const TDbDiagRecord& record = Records.at(CurrentRecord);
    edtErrorCode->setText(FormatErrorCode(record.NativeError));
    edtErrorKind->setText(DbErrorKindName(record.Kind));
    mmoMessageText->setPlainText(ToCrLf(record.MessageText));
    edtServerObject->setText(record.ObjName);
    edtCommandTextOffset->setText(record.CommandTextOffset == -1 ? QString()
                                                                 : QString::number(record.CommandTextOffset));
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
    QStringList lines{Caption(),
                      BandText(),
                      Separator,
                      QStringLiteral("Message text: ") + ToCrLf(mmoMessageText->toPlainText()),
                      QStringLiteral("Error code: ") + edtErrorCode->text(),
                      QStringLiteral("Error kind: ") + edtErrorKind->text(),
                      QStringLiteral("Server object: ") + edtServerObject->text(),
                      QStringLiteral("Command text offset: ") + edtCommandTextOffset->text(),
                      Separator,
                      QStringLiteral("Command text: ") + ToCrLf(mmoCommandText->toPlainText()),
                      QStringLiteral("Command parameters:")};
    for (int row = 0; row < lvwParams->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = lvwParams->topLevelItem(row);
        lines.append(QStringLiteral("  %1=%2").arg(item->text(0), item->text(1)));
    }
    lines.append({Separator, QStringLiteral("Exception class name: ") + edtClassName->text(),
                  QStringLiteral("Strata error code: ") + edtStrataErrorCode->text(),
                  QStringLiteral("Strata object name: ") + edtStrataObjectName->text()});
    return lines.join(CrLf) + CrLf;
}

void TDbErrorWindow::Copy() {
    QGuiApplication::clipboard()->setText(CopyText());
}

QString TDbErrorWindow::FormatErrorCode(int ACode) {
    return ACode > 0 ? QStringLiteral("%1").arg(ACode, 5, 10, QLatin1Char('0')) : QString::number(ACode);
}

QString TDbErrorWindow::ToCrLf(const QString& AText) {
    QString result;
    result.reserve(AText.size() + AText.size() / 16);
    for (qsizetype i = 0; i < AText.size(); ++i) {
        const QChar ch = AText.at(i);
        if (ch == QLatin1Char('\r')) {
            if (i + 1 < AText.size() && AText.at(i + 1) == QLatin1Char('\n')) {
                ++i;
            }
            result += CrLf;
        } else if (ch == QLatin1Char('\n')) {
            result += CrLf;
        } else {
            result += ch;
        }
    }
    return result;
}

bool TDbErrorWindow::HasCommandText(const QString& ACommandText) {
    return std::any_of(ACommandText.cbegin(), ACommandText.cend(),
                       [](QChar ch) { return ch != QLatin1Char(' ') && ch.category() != QChar::Other_Control; });
}

bool TDbErrorWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && isCopyKey(*static_cast<QKeyEvent*>(event))) {
        Copy();
        return true;
    }
    if (event->type() == QEvent::ShortcutOverride && isCopyKey(*static_cast<QKeyEvent*>(event))) {
        // Claim the key so that it arrives as a key press instead of triggering some shortcut.
        event->accept();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TDbErrorWindow::showEvent(QShowEvent* event) {
    QWidget* active = QApplication::activeWindow();
    PreviouslyActive = active != this ? active : nullptr;
    CenterOverMainWindow();
    QDialog::showEvent(event);
    raise();
    activateWindow();
    btnOK->setFocus();
}

void TDbErrorWindow::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (PreviouslyActive != nullptr && PreviouslyActive->isVisible()) {
        PreviouslyActive->raise();
        PreviouslyActive->activateWindow();
    }
    PreviouslyActive = nullptr;
}

void TDbErrorWindow::CenterOverMainWindow() {
    QRect area;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<QMainWindow*>(widget) != nullptr && widget->isVisible()) {
            area = widget->frameGeometry();
            break;
        }
    }
    if (area.isEmpty() && screen() != nullptr) {
        area = screen()->availableGeometry();
    }
    QRect frame = frameGeometry();
    frame.moveCenter(area.center());
    move(frame.topLeft());
}

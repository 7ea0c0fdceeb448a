#include "widgets/TApplication.h"

#include "widgets/TApplicationErrorHandler.h"

#include <QFont>
#include <QIconEngine>
#include <QLibraryInfo>
#include <QPainter>
#include <QProxyStyle>
#include <QTranslator>

#include <optional>

namespace {

/// A standard icon of the style that is looked up when it is first drawn or measured. Loading any of the style's
/// icon files makes the toolkit load every image-format plug-in to probe it; the menu bar asks for its overflow
/// chevron when it is created, although the chevron shows only when the menus do not fit.
class LazyStandardIcon : public QIconEngine {
public:
    LazyStandardIcon(const QStyle& AStyle, QStyle::StandardPixmap AWhich) : Style(AStyle), Which(AWhich) {}

    void paint(QPainter* APainter, const QRect& ARect, QIcon::Mode AMode, QIcon::State AState) override {
        Real().paint(APainter, ARect, Qt::AlignCenter, AMode, AState);
    }
    QPixmap pixmap(const QSize& ASize, QIcon::Mode AMode, QIcon::State AState) override {
        return Real().pixmap(ASize, AMode, AState);
    }
    QPixmap scaledPixmap(const QSize& ASize, QIcon::Mode AMode, QIcon::State AState, qreal AScale) override {
        return Real().pixmap(ASize, AScale, AMode, AState);
    }
    QSize actualSize(const QSize& ASize, QIcon::Mode AMode, QIcon::State AState) override {
        return Real().actualSize(ASize, AMode, AState);
    }
    QList<QSize> availableSizes(QIcon::Mode AMode, QIcon::State AState) override {
        return Real().availableSizes(AMode, AState);
    }
    bool isNull() override { return Real().isNull(); }
    QIconEngine* clone() const override { return new LazyStandardIcon(Style, Which); }

private:
    const QIcon& Real() {
        if (!Loaded) {
            Loaded = Style.standardIcon(Which);
        }
        return *Loaded;
    }

    const QStyle& Style;
    QStyle::StandardPixmap Which;
    std::optional<QIcon> Loaded;
};

/// The platform's style, with the tool-bar extension icons (the menu bar's overflow chevron) looked up on first use,
/// check boxes as tight as the windows' fixed sizes were laid out for, and passwords masked with "*".
class ApplicationStyle : public QProxyStyle {
public:
    int styleHint(StyleHint AHint, const QStyleOption* AOption, const QWidget* AWidget,
                  QStyleHintReturn* AReturn) const override {
        if (AHint == SH_LineEdit_PasswordCharacter) {
            return '*';
        }
        return QProxyStyle::styleHint(AHint, AOption, AWidget, AReturn);
    }
    int pixelMetric(PixelMetric AMetric, const QStyleOption* AOption, const QWidget* AWidget) const override {
        // The check boxes' widths leave a gap of 3 pixels between box and caption, as the classic check box does;
        // the toolkit's 6 would clip the last letters of their captions.
        if (AMetric == PM_CheckBoxLabelSpacing) {
            return 3;
        }
        return QProxyStyle::pixelMetric(AMetric, AOption, AWidget);
    }
    QIcon standardIcon(StandardPixmap AWhich, const QStyleOption* AOption, const QWidget* AWidget) const override {
        if (!AOption &&
            (AWhich == SP_ToolBarHorizontalExtensionButton || AWhich == SP_ToolBarVerticalExtensionButton)) {
            return QIcon(new LazyStandardIcon(*baseStyle(), AWhich));
        }
        return QProxyStyle::standardIcon(AWhich, AOption, AWidget);
    }
};

} // namespace

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // The windows are laid out for Tahoma 8 pt at fixed positions; where it is missing, narrow faces keep the
    // captions inside their controls.
    QFont::insertSubstitutions(QStringLiteral("Tahoma"),
                               {QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("Nimbus Sans")});
    // Every window of the program uses it: as the application's font, start-up resolves one face instead of two.
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    setStyle(new ApplicationStyle);
    // The toolkit's own texts (file chooser, edit boxes' menus, standard buttons) speak the program's language:
    // from inside the executable where it carries them (Windows), else from the toolkit's installation.
    auto* textosDoToolkit = new QTranslator(this);
    for (const QString& pasta :
         {QStringLiteral(":/translations"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)}) {
        if (textosDoToolkit->load(QStringLiteral("qtbase_pt_BR"), pasta)) {
            installTranslator(textosDoToolkit);
            break;
        }
    }
}

TApplication::~TApplication() = default;

bool TApplication::notify(QObject* AReceiver, QEvent* AEvent) {
    try {
        return QApplication::notify(AReceiver, AEvent);
    } catch (...) {
        TApplicationErrorHandler::HandleCurrentException();
        return false;
    }
}

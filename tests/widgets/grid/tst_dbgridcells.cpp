// What the grid shows: its columns, the cell texts, the highlight and the indicator, the lit title, and a view that
// scrolls only as the operator moves it.
#include "GradeDeTeste.h"
#include "GridSteps.h"

#include "DfeFixture.h"

#include "data/TDbQuery.h"
#include "widgets/TApplication.h"
#include "widgets/grid/TDbGrid.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QProxyStyle>
#include <QScrollBar>
#include <QTest>

#include <memory>

class TstDbGridCells : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void colunas();
    void textosDasCelulas_data();
    void textosDasCelulas();
    void destaqueEIndicador();
    void tituloSobOPonteiroAceso();
    void rolagemHorizontalFica_data();
    void rolagemHorizontalFica();
    void reabrirVoltaAoTopoEFecharEsvazia();
    void textosDaNovaListaAoReabrir();
    void titulosMedidosSoQuandoMudam_data();
    void titulosMedidosSoQuandoMudam();

private:
    std::unique_ptr<TGradeDeTeste> Teste;
    TDbQuery* Lista = nullptr;
    TDbGrid* Grade = nullptr;
};

void TstDbGridCells::init() {
    Teste = std::make_unique<TGradeDeTeste>();
    Lista = &Teste->Lista;
    Grade = Teste->Grade;
}

void TstDbGridCells::cleanup() {
    Grade = nullptr;
    Lista = nullptr;
    Teste.reset();
}

void TstDbGridCells::colunas() {
    Teste->Abrir(Teste->CriarArquivo(5));
    QAbstractItemModel* modelo = Grade->model();
    QCOMPARE(modelo->columnCount(), 17);
    const QList<DfeFixture::Column> colunas = DfeFixture::DefaultColumns();
    for (int c = 0; c < 17; ++c) {
        QCOMPARE(modelo->headerData(c, Qt::Horizontal).toString(), colunas.at(c).first);
        QVERIFY(!(modelo->flags(modelo->index(0, c)) & Qt::ItemIsEditable));
    }
    const int caractere = Grade->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    QVERIFY(Grade->columnWidth(0) >= 50 * caractere);  // ID_ZEVRIK, 50 characters
    QVERIFY(Grade->columnWidth(8) >= 255 * caractere); // XMOTIVO
    QVERIFY(Grade->columnWidth(11) >= 15 * caractere); // NPROT
    QVERIFY(Grade->columnWidth(11) < Grade->columnWidth(0));
    QVERIFY(Grade->columnWidth(4) < Grade->columnWidth(5)); // NUMERO narrower than DTHR_EMISSAO
    QVERIFY(Grade->columnWidth(5) >= 18 * caractere);
    QVERIFY(Grade->columnWidth(1) >= Grade->fontMetrics().horizontalAdvance(QStringLiteral("ENVIO_MANUAL")));
    QVERIFY(Grade->horizontalHeader()->sectionsMovable());
    QCOMPARE(Grade->horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);
    QVERIFY(Grade->verticalHeader()->isVisible());
    QVERIFY(Grade->showGrid());
    QCOMPARE(Grade->editTriggers(), QAbstractItemView::NoEditTriggers);
}

void TstDbGridCells::textosDasCelulas_data() {
    QTest::addColumn<QString>("coluna");
    QTest::addColumn<QVariant>("armazenado");
    QTest::addColumn<QString>("texto");

    QTest::newRow("texto") << "ID_ZEVRIK" << QVariant(QStringLiteral("ABC-1  ")) << "ABC-1";
    QTest::newRow("um caractere") << "CANCELADO" << QVariant(QStringLiteral("S")) << "S";
    QTest::newRow("inteiro") << "NUMERO" << QVariant(4711) << "4711";
    QTest::newRow("inteiro nulo") << "CMSG" << QVariant() << "";
    QTest::newRow("texto nulo") << "XMSG" << QVariant() << "";
    QTest::newRow("data e hora") << "DTHR_EMISSAO" << QVariant(QStringLiteral("2016-04-30 23:59:59"))
                                 << "30/04/2016 23:59:59";
    QTest::newRow("meia-noite sem hora") << "DHRECBTO" << QVariant(QStringLiteral("2016-04-30 00:00:00"))
                                         << "30/04/2016";
    QTest::newRow("um milissegundo depois da meia-noite")
        << "DHRECBTO" << QVariant(QStringLiteral("2016-04-30 00:00:00.001")) << "30/04/2016 00:00:00";
    QTest::newRow("data nula") << "DTHR_EMISSAO" << QVariant() << "";
    QTest::newRow("XML presente") << "XML_ZEVRIK" << QVariant(QByteArray("<NFe>segredo</NFe>")) << "(BLOB)";
    QTest::newRow("XML vazio mas presente") << "XML_NFCE" << QVariant(QByteArray("")) << "(BLOB)";
    QTest::newRow("XML_CANCELAMENTO nulo") << "XML_CANCELAMENTO" << QVariant() << "(Blob)";
    QTest::newRow("decimal") << "VALOR_DOCUMENTO" << QVariant(12.5) << "12,5";
    QTest::newRow("decimal sem zeros") << "VALOR_DOCUMENTO" << QVariant(12.0) << "12";
    QTest::newRow("decimal sem milhar") << "VALOR_DOCUMENTO" << QVariant(12345678.91) << "12345678,91";
    QTest::newRow("decimal negativo") << "VALOR_DOCUMENTO" << QVariant(-0.05) << "-0,05";
    QTest::newRow("decimal nulo") << "VALOR_DOCUMENTO" << QVariant() << "";
}

void TstDbGridCells::textosDasCelulas() {
    QFETCH(QString, coluna);
    QFETCH(QVariant, armazenado);
    QFETCH(QString, texto);

    DfeFixture fixture(Teste->Caminho(QStringLiteral("dfe.sqlite")));
    QVariantMap linha = DfeFixture::SimpleRow(1);
    linha.insert(coluna, armazenado);
    fixture.Create().Insert(linha).Close();
    Teste->Abrir(fixture.Path());

    int c = 0;
    while (Lista->Fields().at(c).Name != coluna) {
        ++c;
    }
    QCOMPARE(Grade->model()->index(0, c).data().toString(), texto);
}

void TstDbGridCells::destaqueEIndicador() {
    Teste->Abrir(Teste->CriarArquivo(10));
    ExecutarPasso(*Grade, QStringLiteral("ctrl+clique 2"));
    ExecutarPasso(*Grade, QStringLiteral("ctrl+clique 5"));
    ExecutarPasso(*Grade, QStringLiteral("ir 7"));
    QVERIFY(Grade->hasFocus());
    QVERIFY(Grade->RowHighlighted(2));
    QVERIFY(Grade->RowHighlighted(5));
    QVERIFY(Grade->RowHighlighted(7)); // current, with the focus
    QVERIFY(!Grade->RowHighlighted(6));
    Teste->Edit->setFocus();
    QVERIFY(!Grade->hasFocus());
    QVERIFY(!Grade->RowHighlighted(7));
    QVERIFY(Grade->RowHighlighted(5));

    // The painted rows show it: a marked row is drawn in the highlight colour, an unmarked one is not.
    const QImage imagem = Grade->viewport()->grab().toImage();
    const QColor destaque = Grade->palette().color(QPalette::Active, QPalette::Highlight);
    const auto corNaLinha = [&](int ALinha) {
        const QRect area = Grade->visualRect(Grade->model()->index(ALinha, 2));
        return imagem.pixelColor(area.left() + 3, area.center().y());
    };
    // The style may shade the highlight slightly: near is enough.
    const auto destacada = [&](int ALinha) {
        const QColor cor = corNaLinha(ALinha);
        return qAbs(cor.red() - destaque.red()) + qAbs(cor.green() - destaque.green()) +
                   qAbs(cor.blue() - destaque.blue()) <
               40;
    };
    QVERIFY(destacada(5));
    QVERIFY(!destacada(6));
    QVERIFY(!destacada(7));

    // The indicator column: arrow at the current row (left half), dot at a marked row, both at a marked current
    // row; nothing at other rows.
    ExecutarPasso(*Grade, QStringLiteral("ir 5"));
    ExecutarPasso(*Grade, QStringLiteral("ir 7"));
    QHeaderView* indicador = Grade->verticalHeader();
    const QImage indicadores = indicador->viewport()->grab().toImage();
    const QColor tinta = indicador->palette().color(QPalette::WindowText);
    const auto pintado = [&](int ALinha, bool AEsquerda) {
        const int topo = indicador->sectionViewportPosition(ALinha);
        const int meio = indicador->width() / 2;
        int pontos = 0;
        for (int y = topo; y < topo + indicador->sectionSize(ALinha); ++y) {
            for (int x = AEsquerda ? 0 : meio; x < (AEsquerda ? meio : indicador->width()); ++x) {
                pontos += indicadores.pixelColor(x, y) == tinta ? 1 : 0;
            }
        }
        return pontos > 0;
    };
    QVERIFY(pintado(7, true) || pintado(7, false)); // arrow, current and unmarked
    QVERIFY(pintado(2, true) || pintado(2, false)); // dot, marked
    QVERIFY(!pintado(6, true) && !pintado(6, false));
    ExecutarPasso(*Grade, QStringLiteral("ir 5"));
    const QImage atualMarcada = indicador->viewport()->grab().toImage();
    const int topo = indicador->sectionViewportPosition(5);
    int esquerda = 0;
    int direita = 0;
    for (int y = topo; y < topo + indicador->sectionSize(5); ++y) {
        for (int x = 0; x < indicador->width(); ++x) {
            if (atualMarcada.pixelColor(x, y) == tinta) {
                (x < indicador->width() / 2 ? esquerda : direita) += 1;
            }
        }
    }
    QVERIFY2(esquerda > 0 && direita > 0, "arrow and dot side by side at a marked current row");
}

// The pointer moved over the titles, as the operator moves it: the title under it is drawn lit, the others not.
void TstDbGridCells::tituloSobOPonteiroAceso() {
#ifdef Q_OS_WIN
    QSKIP("under Wine's offscreen platform the base style is the classic one, which lights no title");
#endif
    Teste->Abrir(Teste->CriarArquivo(5));
    QHeaderView* titulos = Grade->horizontalHeader();
    const auto pontoEm = [&](int AColuna) {
        return QPoint(titulos->sectionViewportPosition(AColuna) + titulos->sectionSize(AColuna) / 2,
                      titulos->height() / 2);
    };
    // A spot of the title's background, left of its centred text.
    const auto fundo = [&](const QImage& AImagem, int AColuna) {
        return AImagem.pixelColor(titulos->sectionViewportPosition(AColuna) + 4, titulos->height() / 2);
    };
    QTest::mouseMove(titulos->viewport(), pontoEm(2));
    QImage imagem = titulos->viewport()->grab().toImage();
    QVERIFY(fundo(imagem, 2) != fundo(imagem, 3));
    QCOMPARE(fundo(imagem, 3), fundo(imagem, 4));

    QTest::mouseMove(titulos->viewport(), pontoEm(3));
    imagem = titulos->viewport()->grab().toImage();
    QVERIFY(fundo(imagem, 3) != fundo(imagem, 2));
    QCOMPARE(fundo(imagem, 2), fundo(imagem, 4));
    const QColor aceso = fundo(imagem, 3);

    // Leaving the titles puts the light out.
    QTest::mouseMove(Grade->viewport(), Grade->viewport()->rect().center());
    imagem = titulos->viewport()->grab().toImage();
    QCOMPARE(fundo(imagem, 3), fundo(imagem, 2));
    QVERIFY(fundo(imagem, 3) != aceso);
}

void TstDbGridCells::rolagemHorizontalFica_data() {
    // Space and plain Up and Down are the main window's: tst_dbgrid1keydown.
    ColunasDeRolagem();
    QTest::newRow("clique") << "clique 5" << 5;
    QTest::newRow("Ctrl+clique") << "ctrl+clique 5" << 5;
    QTest::newRow("clique no indicador") << "indicador 7" << 7;
    QTest::newRow("Shift+Down") << "clique 5;tecla Shift+Down" << 6;
    QTest::newRow("PgDn") << "clique 5;tecla PgDown" << -1;
    QTest::newRow("End rola para baixo, não para o lado") << "clique 5;tecla End" << 199;
    QTest::newRow("Ctrl+Left e Ctrl+Right") << "clique 5;tecla Ctrl+Left;tecla Ctrl+Right;tecla Ctrl+Left" << 5;
    QTest::newRow("roda") << "clique 5;roda -3" << 8;
    QTest::newRow("clique direito") << "direito 9" << 9;
}

// Scrolled right to the last column, the view stays there whatever moves the current row; only rows scroll.
void TstDbGridCells::rolagemHorizontalFica() {
    Teste->Abrir(Teste->CriarArquivo(200));
    VerificarRolagemHorizontalFica(*Grade);
    QCOMPARE(Teste->Erros, QStringList());
}

// Reopening at once (as every filter run does) starts the new list at the top left; a list left closed gives an
// empty grid without scroll bars once the event loop has run.
void TstDbGridCells::reabrirVoltaAoTopoEFecharEsvazia() {
    const QString caminho = Teste->CriarArquivo(500);
    Teste->Abrir(caminho);
    const int largura = Grade->columnWidth(8);
    QVERIFY(largura > Grade->fontMetrics().horizontalAdvance(QStringLiteral("XMOTIVO")));
    Lista->MoveTo(499);
    QCoreApplication::processEvents();
    QVERIFY(Grade->verticalScrollBar()->value() > 0);
    Grade->horizontalScrollBar()->setValue(Grade->horizontalScrollBar()->maximum());
    QVERIFY(Grade->horizontalScrollBar()->value() > 0);

    Lista->Close();
    Lista->Open(QStringLiteral("select * from tb_nfce"));
    QCoreApplication::processEvents();
    QCOMPARE(Grade->verticalScrollBar()->value(), 0);
    QCOMPARE(Grade->horizontalScrollBar()->value(), 0);
    QCOMPARE(Grade->rowAt(0), 0);
    QVERIFY(Grade->verticalScrollBar()->isVisible());
    QCOMPARE(Grade->columnWidth(8), largura);

    Teste->Modulo.Desconectar();
    QCoreApplication::processEvents();
    QCOMPARE(Grade->model()->columnCount(), 0);
    QTRY_VERIFY(!Grade->verticalScrollBar()->isVisible());
    QTRY_VERIFY(!Grade->horizontalScrollBar()->isVisible());
    QCOMPARE(Teste->Erros, QStringList());
}

// The texts of the rows shown are kept for repainting; a new list shows its own rows under the same row numbers.
void TstDbGridCells::textosDaNovaListaAoReabrir() {
    Teste->Abrir(Teste->CriarArquivo(300));
    QAbstractItemModel& modelo = *Grade->model();
    Lista->MoveTo(299);
    QCoreApplication::processEvents();
    QCOMPARE(modelo.data(modelo.index(0, 0)).toString(), QStringLiteral("ID000001"));
    QCOMPARE(modelo.data(modelo.index(299, 0)).toString(), QStringLiteral("ID000300"));

    Lista->Close();
    Lista->Open(QStringLiteral("select * from tb_nfce order by ID_ZEVRIK desc"));
    Lista->MoveTo(299);
    QCoreApplication::processEvents();
    QCOMPARE(modelo.data(modelo.index(0, 0)).toString(), QStringLiteral("ID000300"));
    QCOMPARE(modelo.data(modelo.index(299, 0)).toString(), QStringLiteral("ID000001"));
    QCOMPARE(Teste->Erros, QStringList());
}

namespace {

/// The grid's own style, counting how often a title is measured.
class MedidorDeTitulos : public QProxyStyle {
public:
    explicit MedidorDeTitulos(QStyle* AStyle) : QProxyStyle(AStyle->name()) {}
    int Medidas = 0;
    QSize sizeFromContents(ContentsType AType, const QStyleOption* AOption, const QSize& ASize,
                           const QWidget* AWidget) const override {
        if (AType == CT_HeaderSection) {
            ++const_cast<MedidorDeTitulos*>(this)->Medidas;
        }
        return QProxyStyle::sizeFromContents(AType, AOption, ASize, AWidget);
    }
};

} // namespace

void TstDbGridCells::titulosMedidosSoQuandoMudam_data() {
    QTest::addColumn<int>("pontos");
    QTest::addColumn<bool>("medidos");
    QTest::newRow("mesmos títulos, mesma fonte") << 0 << false;
    QTest::newRow("fonte maior") << 24 << true;
}

// Every filter run gives the grid a new list with the same columns: the title row keeps its measure, unless the
// titles' font or style changed.
void TstDbGridCells::titulosMedidosSoQuandoMudam() {
    QFETCH(int, pontos);
    QFETCH(bool, medidos);
    const QString caminho = Teste->CriarArquivo(20);
    Teste->Abrir(caminho);
    QHeaderView* titulos = Grade->horizontalHeader();
    MedidorDeTitulos medidor(Grade->style());
    titulos->setStyle(&medidor);
    titulos->sizeHint();
    medidor.Medidas = 0;
    if (pontos > 0) {
        QFont fonte = titulos->font();
        fonte.setPointSize(pontos);
        titulos->setFont(fonte);
    }
    Teste->Modulo.Conectar(caminho);
    Lista->Open(QStringLiteral("select * from tb_nfce where NUMERO > 5"));
    QCoreApplication::processEvents();
    QCOMPARE(Grade->model()->rowCount(), 15);
    QCOMPARE(medidor.Medidas > 0, medidos);
    const QFontMetrics metricas(titulos->font());
    QVERIFY(titulos->height() >= metricas.height());
    // VALOR_DOCUMENTO: its title is wider than its ten digits.
    QVERIFY(Grade->columnWidth(16) >= metricas.horizontalAdvance(QStringLiteral("VALOR_DOCUMENTO")));
    titulos->setStyle(nullptr);
    QCOMPARE(Teste->Erros, QStringList());
}

int main(int argc, char* argv[]) {
    TApplication application(argc, argv);
    QApplication::setAttribute(Qt::AA_Use96Dpi, true);
    TstDbGridCells test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_dbgridcells.moc"

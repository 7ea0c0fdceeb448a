#include "RetailFixture.h"

#include "MuteServer.h"

#include "data/TDbErrors.h"

#include <QStringList>
#include <QTest>

#include <stdexcept>

StandIn::Login RetailFixture::Login() {
    StandIn::Login Login;
    Login.password = QStringLiteral("Pw-Secreta!9");
    return Login;
}

RetailFixture::RetailFixture()
    : Servidor(std::make_unique<StandIn>(Login())),
      Configuracao(std::make_unique<TConfigZEVRIK>(Pasta.filePath(QStringLiteral("ExportarDFe.ini")))),
      ModuloRetail(std::make_unique<TdtmZEVRIK>()) {
    if (!Pasta.isValid())
        throw std::runtime_error("no temporary folder");
    ConfigIni = Configuracao.get();
    dtmZEVRIK = ModuloRetail.get();
    ModuloRetail->LerConfiguracao = [this] {
        return TConfiguracaoConexao{Configuracao->GetServidor(), Configuracao->GetBancoDados(),
                                    Configuracao->GetUsuario(), Configuracao->GetSenha()};
    };
    ConfigurarStandIn();
}

RetailFixture::~RetailFixture() {
    dtmZEVRIK = nullptr;
    ConfigIni = nullptr;
}

void RetailFixture::Configurar(const QString& AServidor, const QString& ABancoDados, const QString& AUsuario,
                               const QString& ASenha) {
    Configuracao->SetServidor(AServidor);
    Configuracao->SetBancoDados(ABancoDados);
    Configuracao->SetUsuario(AUsuario);
    Configuracao->SetSenha(ASenha);
}

void RetailFixture::ConfigurarStandIn() {
    Configurar(Servidor->server(), Servidor->login().database, Servidor->login().user, Servidor->login().password);
}

void RetailFixture::Limpar() {
    Servidor->clearFaults();
    Servidor->exec(QStringLiteral("delete from piece; delete from LIGNE; delete from MPIECEOLE; delete from ETABLISS; "
                                  "delete from MJOURSCAISSEOLE"));
}

void RetailFixture::InserirPiece(const QString& ANatureza, const QString& ASouche, int ANumero,
                                 const QString& ARefInterna, const QString& ATipo, const QString& ALoja, int AIndice) {
    Servidor->exec(QStringLiteral("insert into piece (GP_NATUREPIECEG, GP_SOUCHE, GP_NUMERO, GP_INDICEG, "
                                  "GP_REFINTERNE, GP_TYPECOMPTA, GP_ETABLISSEMENT) values (@P1, @P2, @P3, @P4, @P5, "
                                  "@P6, @P7)"),
                   {ANatureza, ASouche, ANumero, AIndice, ARefInterna.isNull() ? QVariant() : QVariant(ARefInterna),
                    ATipo, ALoja});
}

void RetailFixture::InserirLigne(const QString& ALoja, const QString& ASouche, int ANumero, int ALinha,
                                 double AQteReste) {
    Servidor->exec(QStringLiteral("insert into LIGNE (GL_ETABLISSEMENT, GL_SOUCHE, GL_NUMERO, GL_NUMLIGNE, "
                                  "GL_QTERESTE) values (@P1, @P2, @P3, @P4, @P5)"),
                   {ALoja, ASouche, ANumero, ALinha, AQteReste});
}

void RetailFixture::InserirNota(const QString& ANatureza, const QString& ASouche, int ANumero,
                                const QString& AQualificante) {
    Servidor->exec(QStringLiteral("insert into MPIECEOLE (MBP_NATUREPIECEG, MBP_SOUCHE, MBP_NUMERO, MBP_INDICEG, "
                                  "MBP_QUALIFIANTOLE, MBP_BLOCNOTE) values (@P1, @P2, @P3, 0, @P4, N'<nota/>')"),
                   {ANatureza, ASouche, ANumero, AQualificante});
}

void RetailFixture::InserirLoja(const QString& AIdLoja) {
    Servidor->exec(QStringLiteral("insert into ETABLISS (ET_ETABLISSEMENT) values (@P1)"), {AIdLoja});
}

void RetailFixture::InserirReducaoZ(const QString& ACaixa, const QString& AQualificante, int ANumero,
                                    const QString& AXML) {
    Servidor->exec(QStringLiteral("insert into MJOURSCAISSEOLE (MBJ_CAISSE, MBJ_QUALIFIANTOLE, MBJ_NUMZCAISSE, "
                                  "MBJ_BLOCNOTE) values (@P1, @P2, @P3, @P4)"),
                   {ACaixa, AQualificante, ANumero, AXML});
}

quint16 RetailFixture::PortaSemServidor() {
    // Listened on and released at once: nothing listens there afterwards, and the system will not hand it out again
    // soon.
    return MuteServer().port();
}

void RetailFixture::VerificarTextoDaSentenca(const QString& APadrao, const QString& ATexto,
                                             const std::function<void()>& AOperacao) {
    Servidor->setFault(QStringLiteral("error"), {50000, APadrao, QStringLiteral("forced")});
    try {
        AOperacao();
        QFAIL("no error");
    } catch (const EDbEngineError& E) {
        QVERIFY2(E.message().contains(QLatin1String("forced")), qPrintable(E.message()));
        QCOMPARE(E.CommandText, ATexto);
    }
}

QString RetailFixture::Linhas(std::initializer_list<const char*> ALinhas) {
    QStringList Texto;
    for (const char* Linha : ALinhas)
        Texto << QString::fromUtf8(Linha);
    return Texto.join(QStringLiteral("\r\n"));
}

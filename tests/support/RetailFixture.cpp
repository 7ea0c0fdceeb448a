#include "RetailFixture.h"

#include <QDir>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

StandIn::Login RetailFixture::Login() {
    StandIn::Login Login;
    Login.password = QStringLiteral("Pw-Secreta!9");
    return Login;
}

RetailFixture::RetailFixture()
    : FStandIn(std::make_unique<StandIn>(Login())),
      FConfig(std::make_unique<TConfigZEVRIK>(FPasta.filePath(QStringLiteral("ExportarDFe.ini")))),
      FModulo(std::make_unique<TdtmZEVRIK>()) {
    if (!FPasta.isValid())
        throw std::runtime_error("no temporary folder");
    ConfigIni = FConfig.get();
    dtmZEVRIK = FModulo.get();
    ConfigurarStandIn();
}

RetailFixture::~RetailFixture() {
    dtmZEVRIK = nullptr;
    ConfigIni = nullptr;
}

void RetailFixture::Configurar(const QString& AServidor, const QString& ABancoDados, const QString& AUsuario,
                               const QString& ASenha) {
    FConfig->SetServidor(AServidor);
    FConfig->SetBancoDados(ABancoDados);
    FConfig->SetUsuario(AUsuario);
    FConfig->SetSenha(ASenha);
}

void RetailFixture::ConfigurarStandIn() {
    Configurar(FStandIn->server(), FStandIn->login().database, FStandIn->login().user, FStandIn->login().password);
}

void RetailFixture::Limpar() {
    FStandIn->clearFaults();
    FStandIn->exec(QStringLiteral("delete from piece; delete from LIGNE; delete from MPIECEOLE; delete from ETABLISS; "
                                  "delete from MJOURSCAISSEOLE"));
}

void RetailFixture::InserirPiece(const QString& ANatureza, const QString& ASouche, int ANumero,
                                 const QString& ARefInterna, const QString& ATipo, const QString& ALoja, int AIndice) {
    FStandIn->exec(QStringLiteral("insert into piece (GP_NATUREPIECEG, GP_SOUCHE, GP_NUMERO, GP_INDICEG, "
                                  "GP_REFINTERNE, GP_TYPECOMPTA, GP_ETABLISSEMENT) values (@P1, @P2, @P3, @P4, @P5, "
                                  "@P6, @P7)"),
                   {ANatureza, ASouche, ANumero, AIndice, ARefInterna.isNull() ? QVariant() : QVariant(ARefInterna),
                    ATipo, ALoja});
}

void RetailFixture::InserirLigne(const QString& ALoja, const QString& ASouche, int ANumero, int ALinha,
                                 double AQteReste) {
    FStandIn->exec(QStringLiteral("insert into LIGNE (GL_ETABLISSEMENT, GL_SOUCHE, GL_NUMERO, GL_NUMLIGNE, "
                                  "GL_QTERESTE) values (@P1, @P2, @P3, @P4, @P5)"),
                   {ALoja, ASouche, ANumero, ALinha, AQteReste});
}

void RetailFixture::InserirNota(const QString& ANatureza, const QString& ASouche, int ANumero,
                                const QString& AQualificante) {
    FStandIn->exec(QStringLiteral("insert into MPIECEOLE (MBP_NATUREPIECEG, MBP_SOUCHE, MBP_NUMERO, MBP_INDICEG, "
                                  "MBP_QUALIFIANTOLE, MBP_BLOCNOTE) values (@P1, @P2, @P3, 0, @P4, N'<nota/>')"),
                   {ANatureza, ASouche, ANumero, AQualificante});
}

void RetailFixture::InserirLoja(const QString& AIdLoja) {
    FStandIn->exec(QStringLiteral("insert into ETABLISS (ET_ETABLISSEMENT) values (@P1)"), {AIdLoja});
}

void RetailFixture::InserirReducaoZ(const QString& ACaixa, const QString& AQualificante, int ANumero,
                                    const QString& AXML) {
    FStandIn->exec(QStringLiteral("insert into MJOURSCAISSEOLE (MBJ_CAISSE, MBJ_QUALIFIANTOLE, MBJ_NUMZCAISSE, "
                                  "MBJ_BLOCNOTE) values (@P1, @P2, @P3, @P4)"),
                   {ACaixa, AQualificante, ANumero, AXML});
}

quint16 RetailFixture::PortaSemServidor() {
    // Bound and released at once: nothing listens there afterwards, and the system will not hand it out again soon.
    const int Socket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in Endereco{};
    Endereco.sin_family = AF_INET;
    Endereco.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t Tamanho = sizeof Endereco;
    if (Socket < 0 || ::bind(Socket, reinterpret_cast<sockaddr*>(&Endereco), Tamanho) != 0 ||
        ::getsockname(Socket, reinterpret_cast<sockaddr*>(&Endereco), &Tamanho) != 0)
        throw std::runtime_error("no free port");
    ::close(Socket);
    return ntohs(Endereco.sin_port);
}

int RetailFixture::SocketsAbertos() {
    int Quantos = 0;
    const QDir Descritores(QStringLiteral("/proc/self/fd"));
    for (const QString& Nome : Descritores.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        char Alvo[64] = {};
        const QByteArray Caminho = QFile::encodeName(Descritores.filePath(Nome));
        if (::readlink(Caminho.constData(), Alvo, sizeof Alvo - 1) > 0 && qstrncmp(Alvo, "socket:", 7) == 0)
            ++Quantos;
    }
    return Quantos;
}

#include "settings/uConfig.h"

#include "platform/PrivateProfile.h"

#include <stdexcept>

TConfigZEVRIK* ConfigIni = nullptr;

namespace {
const QString kSecao = QStringLiteral("CONFIG");
constexpr int kTamanhoBuffer = 2048;
} // namespace

QString NomeArquivoConfiguracao(const QString& AExecutavel) {
    const qsizetype inicioNome = qMax(AExecutavel.lastIndexOf(QLatin1Char('/')), AExecutavel.lastIndexOf('\\')) + 1;
    const qsizetype ponto = AExecutavel.lastIndexOf(QLatin1Char('.'));
    const QString base = ponto >= inicioNome ? AExecutavel.left(ponto) : AExecutavel;
    return base + QStringLiteral(".ini");
}

TConfigZEVRIK::TConfigZEVRIK(const QString& AArquivo) : CaminhoArquivo(AArquivo) {}

bool TConfigZEVRIK::PodeGravar(const QString& AValor) {
    return PrivateProfile::CanStore(AValor);
}

QString TConfigZEVRIK::GetServidor() const {
    return Ler(QStringLiteral("servidor"));
}

void TConfigZEVRIK::SetServidor(const QString& AValor) {
    Gravar(QStringLiteral("servidor"), AValor);
}

QString TConfigZEVRIK::GetUsuario() const {
    return Ler(QStringLiteral("Usuario"));
}

void TConfigZEVRIK::SetUsuario(const QString& AValor) {
    Gravar(QStringLiteral("Usuario"), AValor);
}

QString TConfigZEVRIK::GetSenha() const {
    return Ler(QStringLiteral("Senha"));
}

void TConfigZEVRIK::SetSenha(const QString& AValor) {
    Gravar(QStringLiteral("Senha"), AValor);
}

QString TConfigZEVRIK::GetBancoDados() const {
    return Ler(QStringLiteral("BancoDados"));
}

void TConfigZEVRIK::SetBancoDados(const QString& AValor) {
    Gravar(QStringLiteral("BancoDados"), AValor);
}

QString TConfigZEVRIK::Ler(const QString& AChave) const {
    return PrivateProfile::GetString(kSecao, AChave, QString(), kTamanhoBuffer, CaminhoArquivo);
}

void TConfigZEVRIK::Gravar(const QString& AChave, const QString& AValor) const {
    if (!PrivateProfile::WriteString(kSecao, AChave, AValor, CaminhoArquivo)) {
        throw std::runtime_error(QStringLiteral("Unable to write to %1").arg(CaminhoArquivo).toStdString());
    }
}

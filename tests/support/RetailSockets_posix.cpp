#include "RetailFixture.h"

#include <QDir>
#include <QFile>

#include <unistd.h>

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

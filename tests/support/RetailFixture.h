#pragma once

#include "StandIn.h"
#include "retail/dZevrik.h"
#include "settings/uConfig.h"

#include <QTemporaryDir>

#include <memory>

/// One retail data module over a private SQL Server stand-in, with a temporary settings file installed as
/// ConfigIni for the fixture's life. The settings start out pointing at the stand-in.
class RetailFixture {
public:
    /// The stand-in's login; its password appears nowhere else, so a message can be searched for it.
    static StandIn::Login Login();

    RetailFixture();
    ~RetailFixture();
    RetailFixture(const RetailFixture&) = delete;
    RetailFixture& operator=(const RetailFixture&) = delete;

    StandIn& Banco() { return *FStandIn; }
    TdtmZEVRIK& Modulo() { return *FModulo; }
    TConfigZEVRIK& Config() { return *FConfig; }

    /// Writes the four settings to the settings file.
    void Configurar(const QString& AServidor, const QString& ABancoDados, const QString& AUsuario,
                    const QString& ASenha);
    /// Settings that reach the stand-in.
    void ConfigurarStandIn();
    /// Empties the retail tables and clears the stand-in's faults.
    void Limpar();

    void InserirPiece(const QString& ANatureza, const QString& ASouche, int ANumero, const QString& ARefInterna,
                      const QString& ATipo = QStringLiteral("TIC"), const QString& ALoja = QStringLiteral("001"),
                      int AIndice = 0);
    void InserirLigne(const QString& ALoja, const QString& ASouche, int ANumero, int ALinha, double AQteReste);
    void InserirNota(const QString& ANatureza, const QString& ASouche, int ANumero, const QString& AQualificante);
    void InserirLoja(const QString& AIdLoja);
    void InserirReducaoZ(const QString& ACaixa, const QString& AQualificante, int ANumero, const QString& AXML);

    /// A port of 127.0.0.1 on which nothing listens.
    static quint16 PortaSemServidor();
    /// Sockets the process holds open.
    static int SocketsAbertos();

private:
    QTemporaryDir FPasta;
    std::unique_ptr<StandIn> FStandIn;
    std::unique_ptr<TConfigZEVRIK> FConfig;
    std::unique_ptr<TdtmZEVRIK> FModulo;
};

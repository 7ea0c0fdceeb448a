#pragma once

#include "StandIn.h"
#include "retail/dZevrik.h"
#include "settings/uConfig.h"

#include <QTemporaryDir>

#include <functional>
#include <initializer_list>
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

    StandIn& Banco() { return *Servidor; }
    TdtmZEVRIK& Modulo() { return *ModuloRetail; }
    TConfigZEVRIK& Config() { return *Configuracao; }

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

    /// Runs AOperacao while every statement matching APadrao fails on the server, and checks that the failure carries
    /// the statement's text as the server received it, ATexto.
    void VerificarTextoDaSentenca(const QString& APadrao, const QString& ATexto,
                                  const std::function<void()>& AOperacao);
    /// The lines joined with CR LF, as the retail statements are sent.
    static QString Linhas(std::initializer_list<const char*> ALinhas);

    /// A port of 127.0.0.1 on which nothing listens.
    static quint16 PortaSemServidor();
    /// Sockets the process holds open.
    static int SocketsAbertos();

private:
    QTemporaryDir Pasta;
    std::unique_ptr<StandIn> Servidor;
    std::unique_ptr<TConfigZEVRIK> Configuracao;
    std::unique_ptr<TdtmZEVRIK> ModuloRetail;
};

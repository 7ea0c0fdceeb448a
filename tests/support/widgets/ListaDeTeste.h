#pragma once

#include "dfe/dConexaoLocal.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class TDbQuery;

/// A DFe data module over files in a temporary folder, for one test of a grid over its document list. While it
/// lives, errors that reach the application error handler are collected in Erros instead of shown.
class TListaDeTeste {
    QTemporaryDir Pasta; ///< first, so that it goes last, after the module has let go of its file

public:
    TListaDeTeste();
    ~TListaDeTeste();
    TListaDeTeste(const TListaDeTeste&) = delete;
    TListaDeTeste& operator=(const TListaDeTeste&) = delete;

    /// A file of the temporary folder.
    QString Caminho(const QString& ANome) const { return Pasta.filePath(ANome); }
    /// A DFe data file of ALinhas simple documents, numbered from 1.
    QString CriarArquivo(int ALinhas);
    /// Connects to the file and opens the document list with ASql; pending events run after.
    void Abrir(const QString& APath, const QString& ASql = QStringLiteral("select * from tb_nfce"));

    TdtmConexaoLocal Modulo;
    TDbQuery& Lista;
    QStringList Erros;
};

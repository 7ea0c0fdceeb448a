#pragma once

#include <QString>

/// The settings file of an executable: its full path with the extension (the text from the last "." of the file
/// name on) replaced by ".ini", or ".ini" appended when the file name has no ".".
QString NomeArquivoConfiguracao(const QString& AExecutavel);

/// The KVORA connection settings, read from and written to the settings file on every access: no copy is kept, so
/// a change made by hand is seen by the next read. UI thread only.
class TConfigZEVRIK {
public:
    /// Records the file name only; the file is neither opened nor created.
    explicit TConfigZEVRIK(const QString& AArquivo);
    TConfigZEVRIK(const TConfigZEVRIK&) = delete;
    TConfigZEVRIK& operator=(const TConfigZEVRIK&) = delete;

    const QString& Arquivo() const { return CaminhoArquivo; }

    /// Whether a setter can store AValor so that it reads back as written (no line break, Windows-1252 only).
    static bool PodeGravar(const QString& AValor);

    // Getters never fail: a missing file, section or key reads as the empty text; values come back untrimmed, cut
    // to 2047 characters. Setters write at once and throw std::runtime_error "Unable to write to <file>" when the
    // write is refused; keys written before stay written.
    QString GetServidor() const;
    void SetServidor(const QString& AValor);
    QString GetUsuario() const;
    void SetUsuario(const QString& AValor);
    QString GetSenha() const;
    void SetSenha(const QString& AValor);
    QString GetBancoDados() const;
    void SetBancoDados(const QString& AValor);

private:
    QString Ler(const QString& AChave) const;
    void Gravar(const QString& AChave, const QString& AValor) const;

    const QString CaminhoArquivo;
};

/// The single settings object, alive from the start of start-up to the end of exit; null outside that span.
extern TConfigZEVRIK* ConfigIni;

#pragma once

#include <QString>

class QApplication;

/// Start-up and exit of the program. The constructor creates, in this order, the settings object ConfigIni for the
/// executable's settings file, the application title, the retail data module dtmZEVRIK (and installs its
/// user-interface services), the DFe data module dtmConexaoLocal and the main window frmPrincipal; it opens no
/// database and reads no settings. The destructor destroys them newest first, ConfigIni last, and empties the
/// globals. One instance per process at a time; UI thread only.
class TProgram {
public:
    TProgram(QApplication& application, const QString& executablePath);
    ~TProgram();
    TProgram(const TProgram&) = delete;
    TProgram& operator=(const TProgram&) = delete;

    /// Shows the main window and runs the message loop until it closes; returns the loop's exit code.
    int Run();

private:
    /// The database error window (error presenter) and the database-wait pointer that come with dtmZEVRIK.
    static void InstalarServicosBancoDados();
};

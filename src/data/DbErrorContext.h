#pragma once

#include "data/TDbErrors.h"

#include <utility>

/// Runs AWork; an engine error leaving it gets the component's name, the statement text and its parameters
/// (where the back end has not set them already) before it travels on.
template <typename Work>
decltype(auto) WithErrorContext(const QString& AObjectName, const QString& ACommandText,
                                const QList<QPair<QString, QString>>& AParams, Work&& AWork) {
    try {
        return std::forward<Work>(AWork)();
    } catch (EDbEngineError& error) {
        if (error.ObjectName.isEmpty()) {
            error.ObjectName = AObjectName;
        }
        if (error.CommandText.isEmpty()) {
            error.CommandText = ACommandText;
        }
        if (error.Params.isEmpty()) {
            error.Params = AParams;
        }
        throw;
    }
}

#pragma once

#include <exception>
#include <functional>

/// Where every error that escapes an event handler ends: it cancels any mouse capture, offers the error to the
/// installed presenter and, when none takes it, shows the error box. UI thread only.
///
/// Errors are std::exception objects whose what() is UTF-8 text; anything else thrown reaches the error box with a
/// generic text.
class TApplicationErrorHandler {
public:
    /// Returns true when it took (and showed) the error; false sends it on to the error box.
    using Presenter = std::function<bool(const std::exception&)>;

    /// Fills the presenter slot; an empty function empties it. One presenter at a time.
    static void SetPresenter(Presenter presenter);
    static bool HasPresenter();

    /// Routes the exception being handled; call it only inside a catch block. Never throws.
    static void HandleCurrentException() noexcept;
};

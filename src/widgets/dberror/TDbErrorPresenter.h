#pragma once

#include <exception>
#include <functional>
#include <memory>

class TDbErrorWindow;

/// The error presenter that shows engine errors in the database error window. UI thread only.
class TDbErrorPresenter {
public:
    /// Tells whether the program is terminating; by default, whether the application object is being torn down.
    using TerminatingProbe = std::function<bool()>;

    explicit TDbErrorPresenter(TerminatingProbe AIsTerminating = {});
    ~TDbErrorPresenter();
    TDbErrorPresenter(const TDbErrorPresenter&) = delete;
    TDbErrorPresenter& operator=(const TDbErrorPresenter&) = delete;

    /// Takes AError when it is an EDbEngineError, the program is not terminating and the window is not already on
    /// screen: shows it modally and returns true once the window has closed. Declines anything else with false.
    bool Present(const std::exception& AError);

    /// True while the window shows an error.
    bool WindowOnScreen() const { return OnScreen; }
    /// The window, created on first use and kept; null before.
    TDbErrorWindow* Window() const { return ErrorWindow.get(); }

private:
    TerminatingProbe IsTerminating;
    std::unique_ptr<TDbErrorWindow> ErrorWindow;
    bool OnScreen = false;
};

#pragma once

class QCloseEvent;
class Wizard;

// How the main window ends: Exit, the title-bar button, Alt+F4 and the session's end. During a
// copy each of them asks through the abort dialog, and the window ends with the run only when the
// user lets it end, once it is recorded. A temporary copy not yet burned goes only when the user
// agrees. Unloading stops the slide and the burner and closes the table files.
class WindowClose
{
public:
    explicit WindowClose(Wizard& window);

    // The session manager asks the window to close: a copy running is asked about, or paused
    // when no question may be shown.
    void followSession();
    void closeRequested(QCloseEvent* event);
    void exitClicked();
    void unload(int exitCode);

    // Asks the running copy how to end (the abort dialog).
    void stopCopy();
    // Leaving the burn page before anything was burned.
    void leaveUnburnedCopy();

private:
    Wizard& w;
};

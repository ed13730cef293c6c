#pragma once

#include "core/skin_controller.h"

// What each input does while a task runs. The main window asks here and nowhere else.
enum class UserInput {
    Close,      // Bestand > Sluiten, Ctrl+S, the close box, the session ending
    Escape,     // Esc in the main window
    ChooseSkin, // a click on a skin, or the keyboard resting on one
    Install,    // the button, the menu item, Ctrl+I
    Refresh,
    Remove,
    PickFile,
    Restore,      // a kept copy put back from the history
    DeleteBackup, // a kept copy deleted from the history
    OpenPicture,  // a picture dropped on the window, or named by a later start
    ChooseServer, // the server dialog and the server it makes the one in use
};

enum class Response {
    Runs,            // as when nothing runs
    EndsEverything,  // every task ends at once, without a word, and the program ends
    CancelsDownload, // the download fails now, reported as a failed download
    Ignored,         // nothing to cancel
    Replaces,        // the task under way is given up; this one starts
    WhenShown,       // the preview under way is installed once it is shown
    AfterTask,       // taken at once, shown when the task ends; the latest such input counts
    Greyed,          // the command is disabled until the task ends
};

Response responseTo(UserInput input, SkinController::Task running);

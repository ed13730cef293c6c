#include "gui/work_policy.h"

Response responseTo(UserInput input, SkinController::Task running)
{
    using Task = SkinController::Task;
    if (input == UserInput::Close)
        return Response::EndsEverything;
    if (running == Task::None)
        return input == UserInput::Escape ? Response::Ignored : Response::Runs;
    const bool downloading = running == Task::Loading || running == Task::Preview;
    switch (input) {
    case UserInput::Escape:
        return downloading ? Response::CancelsDownload : Response::Ignored;
    case UserInput::ChooseSkin:
    case UserInput::OpenPicture:
        return running == Task::Preview ? Response::Replaces : Response::AfterTask;
    case UserInput::Install:
        return running == Task::Preview ? Response::WhenShown : Response::Greyed;
    case UserInput::DeleteBackup:
        // No task reads a copy once it runs: a restore has taken its own before it starts.
        return Response::Runs;
    case UserInput::Refresh:
    case UserInput::Remove:
    case UserInput::PickFile:
    case UserInput::Restore:
    case UserInput::ChooseServer:
    case UserInput::Close:
        break;
    }
    return Response::Greyed;
}

#pragma once

#include "core/services/services.h"

#include <QString>
#include <memory>

class InstanceChannel;
class MainWindow;
class SkinController;

// Start-up and shutdown of the program, shared by main(), the benchmark and the soak run:
// one copy at a time, the chooser or the main window first, the end when the main window
// closes. Needs a QApplication.
class DrapelloApplication {
public:
    explicit DrapelloApplication(Services services);
    ~DrapelloApplication();
    DrapelloApplication(const DrapelloApplication&) = delete;
    DrapelloApplication& operator=(const DrapelloApplication&) = delete;

    // The application's names, the interface font, the program's end at the main window's.
    // Call once, right after the QApplication is made.
    static void prepare();

    // false when another copy runs (it was asked to come to the front). Otherwise the main
    // window or, at the first start, the language chooser is shown.
    bool start(const QString& commandLine);

    MainWindow& window() { return *window_; }
    SkinController& controller() { return *controller_; }
    Services& services() { return services_; }

private:
    Services services_;
    std::unique_ptr<InstanceChannel> channel_;
    std::unique_ptr<SkinController> controller_;
    std::unique_ptr<MainWindow> window_;
};

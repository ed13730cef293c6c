#pragma once

#include "platform/dialog_service.h"
#include "platform/registry_reader.h"
#include "platform/settings_store.h"
#include "platform/shell_service.h"
#include "platform/single_instance.h"
#include "platform/url_fetcher.h"
#include "platform/window_service.h"

#include <QString>

#include <memory>

// Every outside service the windows use, handed to them at construction.
struct Platform {
    std::unique_ptr<SettingsStore> settings;
    std::unique_ptr<RegistryReader> registry;
    std::unique_ptr<UrlFetcher> fetcher;
    std::unique_ptr<WindowService> windows;
    std::unique_ptr<ShellService> shell;
    std::unique_ptr<DialogService> dialogs;
    std::unique_ptr<SingleInstance> instance;
    // The folder holding the program file, without a trailing separator. Cache and language
    // files live beside the program.
    QString programFolder;
    // Where a later start finds the running copy (see InstanceChannel).
    QString instanceChannel;
    // The user's own data folder for this program; copies of replaced backgrounds go below it.
    QString dataFolder;

    // The real services of this operating system.
    static Platform system();
};

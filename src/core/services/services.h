#pragma once

#include "core/services/dialog_service.h"
#include "core/services/registry_reader.h"
#include "core/services/settings_store.h"
#include "core/services/shell_service.h"
#include "core/services/single_instance.h"
#include "core/services/url_fetcher.h"
#include "core/services/window_service.h"

#include <QString>
#include <QStringList>
#include <memory>

// Every outside service the program uses, handed to the core and the windows at construction.
struct Services {
    std::unique_ptr<SettingsStore> settings;
    std::unique_ptr<RegistryReader> registry;
    std::unique_ptr<UrlFetcher> fetcher;
    std::unique_ptr<WindowService> windows;
    std::unique_ptr<ShellService> shell;
    // Set by the GUI: its message boxes need its windows.
    std::unique_ptr<DialogService> dialogs;
    std::unique_ptr<SingleInstance> instance;
    // The folder holding the program file, without a trailing separator.
    QString programFolder;
    // The Cache folder, and the folders language files are listed from (the first holding a
    // name wins). Empty: beside the program.
    QString cacheFolder;
    QStringList languageFolders;
    // Where a later start finds the running copy (see InstanceChannel).
    QString instanceChannel;
    // The user's own data folder for this program; copies of replaced backgrounds go below it.
    QString dataFolder;

    // Where copies of replaced backgrounds go; empty when there is no data folder.
    QString backupsFolder() const
    {
        return dataFolder.isEmpty() ? QString() : dataFolder + QStringLiteral("/backups");
    }
};

// The real services of this operating system, all but the dialogs.
Services systemServices();

// The text the program was started with after its own path, whatever it is: Qt is given none of
// it, so a picture named like one of Qt's options ("-reverse") stays the program's.
QString argumentText(int argc, char* argv[]);

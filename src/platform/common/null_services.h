#pragma once

#include "core/services/registry_reader.h"
#include "core/services/url_fetcher.h"
#include "core/services/window_service.h"

// Backends for services that have no working implementation on a system: they do nothing
// harmful and report "nothing there".
class NoRegistry : public RegistryReader {
public:
    QString readValue(const QString&) override { return {}; }
};

class NoFetcher : public UrlFetcher {
public:
    bool fetch(const QString&, const QString&) override { return false; }
    void cancel() override {} // nothing ever runs
};

class NoWindows : public WindowService {
public:
    bool closeWindowOfClass(const QString&) override { return false; }
};

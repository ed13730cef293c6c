#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

class UrlFetcher;

// Whether an address is a skin server: of the right form, and answering with a category list
// in the list format. The check asks the server and returns; its outcome follows by signal.
class ServerCheck : public QObject {
    Q_OBJECT
public:
    enum class Outcome {
        Answered,       // a category list came
        WrongForm,      // see ServerList::isServerUrl
        NoCategoryList, // no answer, an error, or something else than a category list
    };
    // A category list is a few hundred bytes; a server that takes longer than this for it is
    // no server to read a catalogue from.
    static constexpr int TimeLimitMs = 15000;

    // scratchFile: where the list lands while it is read; it is removed afterwards.
    ServerCheck(UrlFetcher& fetcher, QString scratchFile, QObject* parent = nullptr);
    ~ServerCheck() override;

    // Starts checking url, giving up on a check under way. finished follows: at once for a
    // wrong form, else from the event loop.
    void start(const QString& url);
    // The check under way ends without a word.
    void cancel();
    bool running() const { return running_; }

    // Whether the text is a category list the loading pass could read: at least one name that
    // is not empty, every name one that can become a file name, not the "not found" marker.
    static bool isCategoryList(const QString& text);

Q_SIGNALS:
    void finished(const QString& url, ServerCheck::Outcome outcome);

private:
    void arrived(bool arrived);

    UrlFetcher& fetcher_;
    QString scratch_;
    QString url_;
    bool running_ = false;
    quint64 fetch_ = 0;
    quint64 checks_ = 0; // tells the answer of a check given up from the current one's
    QTimer limit_;
};

#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

// Builds a skin server's files from a folder of pictures: one sub-folder per category holding
// its skins as .gif files. The served tree holds voruzide.txt, one <category>.txt per category,
// and each picture at <category without blanks>/<skin>.gif, where the program looks for it.
// Categories and skins are listed in a stable order: by name compared without regard to case
// (code point by code point), ties broken by the exact name.
namespace catalogue {

struct Skin {
    QString name; // the file name without ".gif"
    QString file; // the picture's full path
};

struct Category {
    QString name;
    std::vector<Skin> skins; // in list order
};

struct Catalogue {
    QString source; // the folder it was read from
    std::vector<Category> categories;
};

// Reads the source folder. Hidden entries are passed over; files that are not .gif are too.
Catalogue scanSource(const QString& sourceFolder);

// Every name the program would mishandle, one readable line each, naming the places involved.
QStringList problemsOf(const Catalogue& catalogue);

// Writes the served tree into a new folder beside outputFolder and only once all of it is
// written puts it in outputFolder's place, replacing an earlier tree there whole. Refused: a
// folder that holds files but no voruzide.txt (it is not ours), a symbolic link, an output
// inside the source or holding it. Pictures are copied in chunks, each at most the size the
// program accepts. Returns false with a message, and outputFolder as it was, when anything
// fails or `cancelled` says so between two chunks; what was written is removed then, and so
// is what a run that was killed left beside outputFolder.
bool writeServerTree(const Catalogue& catalogue, const QString& outputFolder, QString* error,
                     const std::function<bool()>& cancelled = {});

// The order used for every list.
bool listsBefore(const QString& a, const QString& b);

} // namespace catalogue

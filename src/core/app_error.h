#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

// The one failure type of the program: a number and a description, shown to the user as
// MsgErrorPrefix + number + " - " + description. The numbers follow the classic run-time
// error numbers users and old documentation know.
class AppError : public std::exception {
public:
    AppError(int number, QString description);

    int number() const { return number_; }
    const QString& description() const { return description_; }
    const char* what() const noexcept override { return what_.constData(); }

    static AppError overflow();                      // 6
    static AppError typeMismatch();                  // 13
    static AppError fileNotFound();                  // 53
    static AppError diskFull();                      // 61
    static AppError permissionDenied();              // 70
    static AppError pathFileAccess();                // 75
    static AppError pathNotFound();                  // 76
    static AppError messengerNotFound();             // 76, no Messenger folder at all
    static AppError invalidPropertyValue();          // 380
    static AppError invalidPicture();                // 481
    static AppError elementNotFound();               // 35601
    static AppError keyNotUnique();                  // 35602
    static AppError unsafeName(const QString& name); // 52

private:
    int number_;
    QString description_;
    QByteArray what_;
};

// The status-bar text for a failure: prefix, number in decimal, " - ", description.
QString errorLine(const QString& prefix, const AppError& error);

#include "core/app_error.h"

AppError::AppError(int number, QString description)
    : number_(number), description_(std::move(description)),
      what_(QString::number(number_).toUtf8() + " - " + description_.toUtf8())
{
}

AppError AppError::overflow()
{
    return {6, QStringLiteral("Overflow")};
}
AppError AppError::typeMismatch()
{
    return {13, QStringLiteral("Type mismatch")};
}
AppError AppError::fileNotFound()
{
    return {53, QStringLiteral("File not found")};
}
AppError AppError::diskFull()
{
    return {61, QStringLiteral("Disk full")};
}
AppError AppError::permissionDenied()
{
    return {70, QStringLiteral("Permission denied")};
}
AppError AppError::pathFileAccess()
{
    return {75, QStringLiteral("Path/File access error")};
}
AppError AppError::pathNotFound()
{
    return {76, QStringLiteral("Path not found")};
}
AppError AppError::messengerNotFound()
{
    return {76, QStringLiteral("Messenger folder not found")};
}
AppError AppError::invalidPropertyValue()
{
    return {380, QStringLiteral("Invalid property value")};
}
AppError AppError::invalidPicture()
{
    return {481, QStringLiteral("Invalid picture")};
}
AppError AppError::elementNotFound()
{
    return {35601, QStringLiteral("Element not found")};
}
AppError AppError::keyNotUnique()
{
    return {35602, QStringLiteral("Key is not unique in collection")};
}

AppError AppError::unsafeName(const QString& name)
{
    // The name may be megabytes long; the status bar gets a recognisable start of it.
    constexpr qsizetype Shown = 64;
    const QString shown = name.size() > Shown ? name.left(Shown) + QStringLiteral("...") : name;
    return {
        52,
        QStringLiteral("Bad file name or number: \"%1\" cannot be stored in the cache").arg(shown)};
}

QString errorLine(const QString& prefix, const AppError& error)
{
    return prefix + QString::number(error.number()) + QStringLiteral(" - ") + error.description();
}

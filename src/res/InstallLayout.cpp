#include "res/InstallLayout.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

// The build writes these in: where it builds, where the sources are, and how the data
// folder lies relative to the program's folder once installed.
#ifndef BRUMBLE_BUILD_DIR
#error "BRUMBLE_BUILD_DIR must be defined by the build"
#endif

namespace {

constexpr char kIndexPage[] = "/index.html";

QString Canonical(const QString& path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(path) : canonical;
}

} // namespace

namespace InstallLayout {

bool IsBuildTree(const QString& programDir)
{
    const QString build = Canonical(QStringLiteral(BRUMBLE_BUILD_DIR));
    const QString program = Canonical(programDir);
    return program == build || program.startsWith(build + QLatin1Char('/'));
}

QString DataFolder(const QString& programDir)
{
    return QDir::cleanPath(programDir + QLatin1Char('/') +
                           QStringLiteral(BRUMBLE_DATA_FROM_PROGRAM));
}

QString HelpFolder(const QString& programDir)
{
    // A program being built shows the pages it is built with, even where a released
    // Brumble is installed too.
    QStringList folders;
    if (IsBuildTree(programDir))
        folders.push_back(QStringLiteral(BRUMBLE_SOURCE_DIR "/src/res/help"));
    folders.push_back(DataFolder(programDir) + QStringLiteral("/brumble/help"));
    const QString desktop =
        QStandardPaths::locate(QStandardPaths::GenericDataLocation, QStringLiteral("brumble/help"),
                               QStandardPaths::LocateDirectory);
    if (!desktop.isEmpty())
        folders.push_back(desktop);
    for (const QString& folder : folders) {
        if (QFileInfo::exists(folder + QString::fromLatin1(kIndexPage)))
            return QDir::cleanPath(folder);
    }
    return {};
}

QString InstalledDesktopEntry(const QString& programDir)
{
    if (IsBuildTree(programDir))
        return {};
    const QString entry = DataFolder(programDir) + QStringLiteral("/applications/") +
                          QString::fromLatin1(kDesktopFileName);
    return QFileInfo(entry).isFile() ? entry : QString();
}

} // namespace InstallLayout

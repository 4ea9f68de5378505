#pragma once
// Where the program's installed files are, seen from the folder the program runs from. An
// installed program finds its data relative to itself (bin/../share/...), so an install
// under any prefix, or a package unpacked anywhere, works without being told where it is.
// A program run from its build folder reads the help pages from the source tree instead.

#include <QString>

namespace InstallLayout {

// The desktop entry's file name, which is also its id for the desktop (xdg-mime).
inline constexpr char kDesktopFileName[] = "brumble.desktop";

// Whether programDir is the build folder or lies within it (the program and the tests as
// they are built, before any install).
bool IsBuildTree(const QString& programDir);
// The installed data folder beside the program (<prefix>/share for <prefix>/bin).
QString DataFolder(const QString& programDir);
// The folder of the help pages (the one holding index.html), or empty when there is none:
// for a program in its build folder the source tree's; else those installed beside the
// program, else those in the desktop's data folders.
QString HelpFolder(const QString& programDir);
// The desktop entry installed with the program, when there is one; empty otherwise (a
// program in its build folder has none of its own).
QString InstalledDesktopEntry(const QString& programDir);

} // namespace InstallLayout

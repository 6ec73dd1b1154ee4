// The four job files opened or saved most recently, newest first, kept in
// the settings group "Recent File List" as File1 to File4.
#pragma once

#include <QStringList>

constexpr int kRecentFiles = 4;

QStringList RecentFiles();
// Puts a path first, dropping its older entry and the fifth.
void AddRecentFile(const QString& path);
void RemoveRecentFile(const QString& path);

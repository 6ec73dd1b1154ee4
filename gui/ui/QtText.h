// Moving texts and paths between Qt and the core: texts are UTF-8, paths
// are the file system's bytes.
#pragma once

#include <QFile>
#include <QString>

#include <string>

inline QString Q(const std::string& text) { return QString::fromStdString(text); }
inline std::string PathBytes(const QString& path) { return QFile::encodeName(path).toStdString(); }
inline QString PathText(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

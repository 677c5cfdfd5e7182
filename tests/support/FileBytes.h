#pragma once

#include <QFile>
#include <QString>

#include <cstdio>

#ifdef BRW_SAMPLE // the tests that are given the sample document
// A fresh copy of the sample document at path.
inline QString copySample(const QString &path)
{
    QFile::remove(path);
    QFile::copy(BRW_SAMPLE, path);
    return path;
}
#endif

// Whether the file now holds exactly these bytes.
inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Another program replaces the file: writes a file of its own and renames it over the name.
inline bool replaceFrom(const QString &path, const QByteArray &bytes)
{
    return writeBytes(path + ".new", bytes) &&
           ::rename(QFile::encodeName(path + ".new").constData(),
                    QFile::encodeName(path).constData()) == 0;
}

#pragma once

#include <QFile>
#include <QString>

#include <string>

// Small file helpers shared by the tests of the shell and its ground.
inline std::string readAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll().toStdString();
}

inline void writeAll(const QString& path, const std::string& text) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(text.data(), static_cast<qint64>(text.size()));
}

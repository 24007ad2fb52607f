#pragma once

#include "codec/bytes.h"

#include <QByteArray>
#include <QString>
#include <string>

// Bytes written the way the protocol documents them: "01 20 00 39 C0".
inline stepbench::Bytes B(const char* hex) {
    const QByteArray a = QByteArray::fromHex(QByteArray(hex));
    return stepbench::Bytes(a.begin(), a.end());
}

inline stepbench::Bytes B(const QByteArray& raw) {
    return stepbench::Bytes(raw.begin(), raw.end());
}

inline QString Hex(const stepbench::Bytes& b) {
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()))
            .toHex(' ')
            .toUpper());
}

inline QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

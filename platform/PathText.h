#pragma once

#include <QByteArray>
#include <QString>

// Conversions of byte paths for people and for machine-readable output.
// Neither is ever converted back into a path.
class PathText
{
public:
    // For display: invalid UTF-8 sequences become U+FFFD.
    static QString display(const QByteArray& path);

    // True when `bytes` is well-formed UTF-8.
    static bool isValidUtf8(const QByteArray& bytes);

    // JSON string body (without quotes): valid UTF-8 passes through with the
    // JSON escapes applied; every byte that is not part of valid UTF-8 is
    // written as \udcXX so the exact bytes can be recovered.
    static QByteArray jsonEscaped(const QByteArray& bytes);

    // Lower-cases text: Unicode rules for valid UTF-8, ASCII rules otherwise
    // so that undecodable bytes stay as they are.
    static QByteArray toLower(const QByteArray& bytes);
};

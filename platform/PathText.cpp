#include "platform/PathText.h"

namespace {

// Length of the well-formed UTF-8 sequence starting at `i`, or 0 when the
// byte there does not start one (overlongs, surrogates and values past
// U+10FFFF are rejected as the standard requires).
int utf8SequenceLength(const unsigned char* s, qsizetype i, qsizetype n)
{
    const unsigned char c = s[i];
    if (c < 0x80) {
        return 1;
    }
    int len = 0;
    unsigned char lo = 0x80;
    unsigned char hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        if (c == 0xE0) {
            lo = 0xA0;
        } else if (c == 0xED) {
            hi = 0x9F;
        }
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        if (c == 0xF0) {
            lo = 0x90;
        } else if (c == 0xF4) {
            hi = 0x8F;
        }
    } else {
        return 0;
    }
    if (i + len > n) {
        return 0;
    }
    if (s[i + 1] < lo || s[i + 1] > hi) {
        return 0;
    }
    for (int k = 2; k < len; ++k) {
        if (s[i + k] < 0x80 || s[i + k] > 0xBF) {
            return 0;
        }
    }
    return len;
}

} // namespace

QString PathText::display(const QByteArray& path)
{
    return QString::fromUtf8(path);
}

bool PathText::isValidUtf8(const QByteArray& bytes)
{
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const int len = utf8SequenceLength(s, i, n);
        if (len == 0) {
            return false;
        }
        i += len;
    }
    return true;
}

QByteArray PathText::jsonEscaped(const QByteArray& bytes)
{
    static const char hex[] = "0123456789abcdef";
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    QByteArray out;
    out.reserve(n + 8);
    for (qsizetype i = 0; i < n;) {
        const int len = utf8SequenceLength(s, i, n);
        if (len == 0) {
            out += "\\udc";
            out += hex[s[i] >> 4];
            out += hex[s[i] & 0xF];
            ++i;
            continue;
        }
        if (len > 1) {
            out.append(reinterpret_cast<const char*>(s + i), len);
            i += len;
            continue;
        }
        const unsigned char c = s[i++];
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        default:
            if (c < 0x20) {
                out += "\\u00";
                out += hex[c >> 4];
                out += hex[c & 0xF];
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out;
}

QByteArray PathText::toLower(const QByteArray& bytes)
{
    bool ascii = true;
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (!ascii && isValidUtf8(bytes)) {
        return QString::fromUtf8(bytes).toLower().toUtf8();
    }
    QByteArray out = bytes;
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

#include "common/TextCodec.h"

#include <cstring>

namespace {

// The private-use characters that stand for the bytes of damaged UTF-8: U+10FE00 + byte, as a
// surrogate pair the high half 0xDBFF and the low half 0xDE00 + byte.
constexpr char16_t rawHigh = 0xDBFF;
constexpr char16_t rawLowBase = 0xDE00;

bool isRawByte(char16_t high, char16_t low)
{
    return high == rawHigh && low >= rawLowBase + 0x80 && low <= rawLowBase + 0xFF;
}

// The length of the well-formed UTF-8 sequence at `at` (not ASCII), or 0 when there is none.
inline qsizetype sequenceLength(const uchar *at, const uchar *end)
{
    const uchar lead = at[0];
    qsizetype length = 0;
    uchar low = 0x80; // the range of the second byte
    uchar high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (end - at < length || at[1] < low || at[1] > high)
        return 0;
    for (qsizetype i = 2; i < length; ++i)
        if (at[i] < 0x80 || at[i] > 0xBF)
            return 0;
    return length;
}

// Decodes well-formed UTF-8 into `to` (at most one unit per byte) up to the first byte that
// starts no well-formed sequence, and returns where it stopped. Eight ASCII bytes at a time
// where it can: tree files are mostly ASCII markup.
const uchar *decodeWellFormed(const uchar *at, const uchar *end, char16_t *&to)
{
    while (at < end) {
        if (end - at >= 8) {
            quint64 eight;
            std::memcpy(&eight, at, 8);
            if ((eight & 0x8080808080808080ull) == 0) {
                for (int i = 0; i < 8; ++i)
                    to[i] = at[i];
                to += 8;
                at += 8;
                continue;
            }
        }
        const uchar lead = *at;
        if (lead < 0x80) {
            *to++ = lead;
            ++at;
            continue;
        }
        if (lead >= 0xC2 && lead <= 0xDF && end - at >= 2 && (at[1] & 0xC0) == 0x80) {
            *to++ = char16_t(((lead & 0x1F) << 6) | (at[1] & 0x3F)); // Cyrillic, Greek, accents
            at += 2;
            continue;
        }
        const qsizetype length = sequenceLength(at, end);
        if (length == 3) {
            *to++ = char16_t(((lead & 0x0F) << 12) | ((at[1] & 0x3F) << 6) | (at[2] & 0x3F));
        } else if (length == 4) {
            const char32_t code = (char32_t(lead & 0x07) << 18) | ((at[1] & 0x3F) << 12) |
                                  ((at[2] & 0x3F) << 6) | (at[3] & 0x3F);
            // One of the characters that stand for damaged bytes, written whole in the file:
            // its bytes are kept one by one, so that it is written back as it was read.
            const char16_t high = QChar::highSurrogate(code), low = QChar::lowSurrogate(code);
            if (isRawByte(high, low))
                return at;
            *to++ = high;
            *to++ = low;
        } else {
            return at;
        }
        at += length;
    }
    return end;
}

} // namespace

TextEncoding textFormOf(QByteArrayView bytes)
{
    return bytes.startsWith(utf8Mark) ? TextEncoding::Utf8 : TextEncoding::Cp1251;
}

QLatin1String charsetName(TextEncoding encoding)
{
    return encoding == TextEncoding::Utf8 ? QLatin1String("utf-8") : QLatin1String("windows-1251");
}

TextCodec::TextCodec(TextEncoding encoding)
    : m_encoding(encoding)
{}

qint64 TextCodec::replaced() const
{
    return m_encoding == TextEncoding::Utf8 ? m_replaced : m_cp1251.replaced();
}

QString TextCodec::decode(QByteArrayView bytes)
{
    if (m_encoding == TextEncoding::Cp1251)
        return m_cp1251.decode(bytes);
    if (bytes.isEmpty())
        return QString(QLatin1String(""));
    const auto *at = reinterpret_cast<const uchar *>(bytes.data());
    const uchar *const end = at + bytes.size();
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t *to = reinterpret_cast<char16_t *>(text.data());
    at = decodeWellFormed(at, end, to);
    qsizetype done = to - reinterpret_cast<const char16_t *>(text.constData());
    if (at != end) {
        // Damaged: each byte left may take two units.
        text.resize(done + 2 * (end - at));
        to = reinterpret_cast<char16_t *>(text.data()) + done;
        while (at < end) {
            *to++ = rawHigh;
            *to++ = char16_t(rawLowBase + *at++);
            at = decodeWellFormed(at, end, to);
        }
        done = to - reinterpret_cast<const char16_t *>(text.constData());
        text.truncate(done);
        text.squeeze();
    }
    text.truncate(done);
    return text;
}

QByteArray TextCodec::encode(QStringView text)
{
    if (m_encoding == TextEncoding::Cp1251)
        return m_cp1251.encode(text);
    QByteArray bytes(text.size() * 3, Qt::Uninitialized); // the most a unit can take
    auto *to = reinterpret_cast<uchar *>(bytes.data());
    const char16_t *at = text.utf16();
    const char16_t *const end = at + text.size();
    while (at < end) {
        const char16_t unit = *at++;
        if (unit < 0x80) {
            *to++ = uchar(unit);
        } else if (unit < 0x800) {
            *to++ = uchar(0xC0 | (unit >> 6));
            *to++ = uchar(0x80 | (unit & 0x3F));
        } else if (!QChar::isSurrogate(unit)) {
            *to++ = uchar(0xE0 | (unit >> 12));
            *to++ = uchar(0x80 | ((unit >> 6) & 0x3F));
            *to++ = uchar(0x80 | (unit & 0x3F));
        } else if (QChar::isHighSurrogate(unit) && at < end && QChar::isLowSurrogate(*at)) {
            const char16_t low = *at++;
            if (isRawByte(unit, low)) {
                *to++ = uchar(low - rawLowBase);
                continue;
            }
            const char32_t code = QChar::surrogateToUcs4(unit, low);
            *to++ = uchar(0xF0 | (code >> 18));
            *to++ = uchar(0x80 | ((code >> 12) & 0x3F));
            *to++ = uchar(0x80 | ((code >> 6) & 0x3F));
            *to++ = uchar(0x80 | (code & 0x3F));
        } else {
            std::memcpy(to, "\xEF\xBF\xBD", 3); // U+FFFD for a lone surrogate
            to += 3;
            ++m_replaced;
        }
    }
    bytes.truncate(to - reinterpret_cast<const uchar *>(bytes.constData()));
    return bytes;
}

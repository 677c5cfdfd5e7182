#include "common/TextCodec.h"

namespace {

// The private-use characters that stand for the bytes of damaged UTF-8: U+10FE00 + byte, as a
// surrogate pair the high half 0xDBFF and the low half 0xDE00 + byte.
constexpr char32_t rawByteBase = 0x10FE00;
constexpr char16_t rawHigh = 0xDBFF;
constexpr char16_t rawLowFirst = 0xDE80;
constexpr char16_t rawLowLast = 0xDEFF;

bool isRawByte(char16_t high, char16_t low)
{
    return high == rawHigh && low >= rawLowFirst && low <= rawLowLast;
}

// The length of the well-formed UTF-8 sequence at `at`, or 0 when its first byte starts none.
qsizetype sequenceLength(const uchar *at, const uchar *end)
{
    const uchar lead = at[0];
    if (lead < 0x80)
        return 1;
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

} // namespace

QLatin1String charsetName(TextEncoding encoding)
{
    return encoding == TextEncoding::Utf8 ? QLatin1String("utf-8") : QLatin1String("windows-1251");
}

TextCodec::TextCodec(TextEncoding encoding)
    : m_encoding(encoding)
    // A byte order mark inside the text is a character like any other.
    , m_utf8(QStringConverter::Utf8,
             QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom)
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
    m_utf8.resetState();
    QString text = m_utf8.decode(bytes);
    return m_utf8.hasError() ? decodeDamaged(bytes) : text;
}

QString TextCodec::decodeDamaged(QByteArrayView bytes)
{
    // The converter, unlike fromUtf8(), keeps a byte order mark at the start of a run.
    const auto decodeRun = [this](const uchar *from, const uchar *to) {
        m_utf8.resetState();
        return QString(m_utf8.decode(QByteArrayView(from, to - from)));
    };
    QString text;
    text.reserve(bytes.size());
    const auto *const begin = reinterpret_cast<const uchar *>(bytes.data());
    const uchar *const end = begin + bytes.size();
    const uchar *run = begin; // the well-formed bytes not yet decoded
    for (const uchar *at = begin; at < end;) {
        const qsizetype length = sequenceLength(at, end);
        if (length > 0) {
            at += length;
            continue;
        }
        text += decodeRun(run, at);
        const char32_t raw = rawByteBase + *at;
        text += QStringView(QChar::fromUcs4(raw));
        run = ++at;
    }
    text += decodeRun(run, end);
    return text;
}

QByteArray TextCodec::encode(QStringView text)
{
    if (m_encoding == TextEncoding::Cp1251)
        return m_cp1251.encode(text);
    for (const QChar c : text)
        if (c.isSurrogate())
            return encodeSpecial(text);
    return text.toUtf8();
}

QByteArray TextCodec::encodeSpecial(QStringView text)
{
    QByteArray bytes;
    bytes.reserve(text.size() * 3);
    qsizetype run = 0; // the start of the characters not yet encoded
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        if (!QChar::isSurrogate(unit))
            continue;
        const bool pair = QChar::isHighSurrogate(unit) && i + 1 < text.size() &&
                          QChar::isLowSurrogate(text[i + 1].unicode());
        if (pair && !isRawByte(unit, text[i + 1].unicode())) {
            ++i;
            continue;
        }
        bytes += text.sliced(run, i - run).toUtf8();
        if (pair) {
            bytes += char(text[i + 1].unicode() - 0xDE00);
            ++i;
        } else {
            bytes += "\xEF\xBF\xBD";
            ++m_replaced;
        }
        run = i + 1;
    }
    bytes += text.sliced(run).toUtf8();
    return bytes;
}

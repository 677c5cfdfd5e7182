#include "common/Cp1251.h"

#include <QCoreApplication>

#include <array>
#include <atomic>
#include <cstring>
#include <vector>

namespace {

constexpr const char *codecName = "windows-1251";

// Both directions of the code page as tables, taken once from the toolkit's converter. Every
// byte is one character, so a lookup gives what the converter gives at a fraction of its cost
// (a large tree spends most of its load and save time converting). A character outside the
// code page becomes 0x1A here: the converter would drop invisible ones without a trace.
struct Tables
{
    bool complete = false;
    std::array<char16_t, 256> toUnicode{};
    std::vector<qint16> fromUnicode; // by UTF-16 unit; -1: no CP1251 character
};

Tables buildTables()
{
    Tables tables;
    QStringDecoder decoder(codecName, QStringConverter::Flag::Stateless);
    QStringEncoder encoder(codecName, QStringConverter::Flag::Stateless);
    if (!decoder.isValid() || !encoder.isValid())
        return {};
    tables.fromUnicode.assign(0x10000, -1);
    QByteArray all(256, Qt::Uninitialized);
    QString decoded;
    for (int byte = 0; byte < 256; ++byte) {
        all[byte] = char(byte);
        const QString one = decoder.decode(QByteArrayView(all).sliced(byte, 1));
        if (one.size() != 1 || one[0].isSurrogate() || tables.fromUnicode[one[0].unicode()] >= 0)
            return {};
        tables.toUnicode[byte] = one[0].unicode();
        tables.fromUnicode[one[0].unicode()] = qint16(byte);
        decoded += one;
    }
    // The tables stand in for the converter only when it agrees with them in both directions.
    if (QByteArray(encoder.encode(decoded)) != all || QString(decoder.decode(all)) != decoded)
        return {};
    tables.complete = true;
    return tables;
}

std::atomic_bool tablesReady = false;

const Tables &tables()
{
    static const Tables built = [] {
        Tables tables = buildTables();
        tablesReady = true;
        return tables;
    }();
    return built;
}

} // namespace

Cp1251Codec::Cp1251Codec()
    : m_decoder(codecName, QStringConverter::Flag::Stateless)
    , m_encoder(codecName, QStringConverter::Flag::Stateless)
{
    // The start-up check builds the tables, long before an emergency save could need them.
    tables();
}

bool Cp1251Codec::tablesBuilt()
{
    return tablesReady;
}

bool Cp1251Codec::isValid() const
{
    return m_decoder.isValid() && m_encoder.isValid();
}

QString Cp1251Codec::decode(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return QString(QLatin1String(""));
    if (!tables().complete)
        return m_decoder.decode(bytes);
    return cp1251Characters(bytes);
}

QByteArray Cp1251Codec::encode(QStringView text)
{
    if (text.isEmpty())
        return QByteArray();
    const Tables &table = tables();
    if (!table.complete)
        return m_encoder.encode(text);
    QByteArray bytes(text.size(), Qt::Uninitialized);
    const qint16 *const fromUnicode = table.fromUnicode.data();
    char *to = bytes.data();
    const char16_t *at = text.utf16();
    const char16_t *const end = at + text.size();
    while (at < end) {
        const char16_t unit = *at++;
        const qint16 byte = fromUnicode[unit];
        if (byte >= 0) {
            *to++ = char(byte);
            continue;
        }
        // Every character the code page lacks, invisible ones included, becomes one 0x1A
        // and is counted: a pair of surrogates is one character.
        if (QChar::isHighSurrogate(unit) && at < end && QChar::isLowSurrogate(*at))
            ++at;
        *to++ = '\x1a';
        ++m_replaced;
    }
    bytes.truncate(to - bytes.constData());
    return bytes;
}

bool cp1251CanEncode(QStringView text)
{
    const Tables &table = tables();
    if (!table.complete) {
        QStringEncoder encoder(codecName, QStringConverter::Flag::Stateless);
        QStringDecoder decoder(codecName, QStringConverter::Flag::Stateless);
        return QString(decoder.decode(QByteArray(encoder.encode(text)))) == text;
    }
    for (const QChar c : text)
        if (table.fromUnicode[c.unicode()] < 0)
            return false;
    return true;
}

bool cp1251HasTables()
{
    return tables().complete;
}

std::optional<QByteArray> cp1251ExactBytes(QStringView text)
{
    const Tables &table = tables();
    if (!table.complete)
        return std::nullopt;
    QByteArray bytes(text.size(), Qt::Uninitialized);
    const qint16 *const fromUnicode = table.fromUnicode.data();
    char *to = bytes.data();
    for (const QChar c : text) {
        const qint16 byte = fromUnicode[c.unicode()];
        if (byte < 0)
            return std::nullopt;
        *to++ = char(byte);
    }
    return bytes;
}

Utf8Converted cp1251FromUtf8(QByteArrayView utf8, char *to)
{
    const Tables &table = tables();
    if (!table.complete)
        return {};
    const qint16 *const fromUnicode = table.fromUnicode.data();
    char *const start = to;
    const auto *const begin = reinterpret_cast<const uchar *>(utf8.data());
    const auto *at = begin;
    const uchar *const end = at + utf8.size();
    auto stop = [&] { return Utf8Converted{at - begin, to - start}; };
    while (at < end) {
        if (end - at >= 8) { // ASCII is itself in both, eight bytes at a time
            quint64 eight;
            std::memcpy(&eight, at, 8);
            if ((eight & 0x8080808080808080ull) == 0) {
                std::memmove(to, at, 8);
                to += 8;
                at += 8;
                continue;
            }
        }
        // Every character CP1251 has takes one to three bytes in UTF-8.
        const uchar lead = *at;
        char16_t unit = lead;
        qsizetype length = 1;
        if (lead >= 0xC2 && lead <= 0xDF && end - at >= 2 && (at[1] & 0xC0) == 0x80) {
            unit = char16_t(((lead & 0x1F) << 6) | (at[1] & 0x3F));
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF && end - at >= 3 && (at[1] & 0xC0) == 0x80 &&
                   (at[2] & 0xC0) == 0x80) {
            unit = char16_t(((lead & 0x0F) << 12) | ((at[1] & 0x3F) << 6) | (at[2] & 0x3F));
            if (unit < 0x800 || QChar::isSurrogate(unit)) // written longer than it is, or half
                return stop();
            length = 3;
        } else if (lead >= 0x80) {
            return stop();
        }
        const qint16 byte = fromUnicode[unit];
        if (byte < 0)
            return stop();
        at += length;
        *to++ = char(byte);
    }
    return stop();
}

QString cp1251Characters(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return QString(QLatin1String(""));
    QString text(bytes.size(), Qt::Uninitialized);
    const char16_t *const toUnicode = tables().toUnicode.data();
    char16_t *to = reinterpret_cast<char16_t *>(text.data());
    for (const char byte : bytes)
        *to++ = toUnicode[uchar(byte)];
    return text;
}

bool cp1251Available()
{
    return Cp1251Codec().isValid();
}

QString cp1251UnavailableMessage()
{
    return QCoreApplication::translate(
            "Cp1251", "The CP1251 (windows-1251) text codec is not available in this Qt build.\n"
                      "Tree files cannot be read or written without it; the program stops.");
}

#include "app/WindowState.h"

namespace {

const QString geometryKey = QStringLiteral("geometry");
const QString barsKey = QStringLiteral("bars");
const QString splitterKey = QStringLiteral("splitter");
const QString findAllKey = QStringLiteral("findAllHeight");

QString encoded(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toBase64());
}

std::optional<QByteArray> decoded(const QJsonValue &value)
{
    if (!value.isString())
        return std::nullopt;
    const QByteArray::FromBase64Result result = QByteArray::fromBase64Encoding(
            value.toString().toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!result)
        return std::nullopt;
    return *result;
}

} // namespace

QJsonObject WindowState::toJson() const
{
    return {{geometryKey, encoded(geometry)},
            {barsKey, encoded(bars)},
            {splitterKey, encoded(splitter)},
            {findAllKey, findAllHeight}};
}

std::optional<WindowState> WindowState::fromJson(const QJsonObject &object)
{
    const std::optional<QByteArray> geometry = decoded(object.value(geometryKey));
    const std::optional<QByteArray> bars = decoded(object.value(barsKey));
    const std::optional<QByteArray> splitter = decoded(object.value(splitterKey));
    const QJsonValue height = object.value(findAllKey);
    if (!geometry || !bars || !splitter || !height.isDouble() || height.toDouble() < 0 ||
        height.toDouble() > 100000 || height.toDouble() != height.toInt())
        return std::nullopt;
    return WindowState{*geometry, *bars, *splitter, height.toInt()};
}

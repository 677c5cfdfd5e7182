#include "app/DocumentState.h"

#include <QJsonArray>

#include <climits>

namespace {

QJsonArray chainArray(const DocumentState::Chain &chain)
{
    QJsonArray array;
    for (const int index : chain)
        array.append(index);
    return array;
}

// Whole numbers from 0 up only; anything else makes the state foreign.
std::optional<QList<int>> numbers(const QJsonValue &value)
{
    if (!value.isArray())
        return std::nullopt;
    QList<int> result;
    for (const QJsonValue &entry : value.toArray()) {
        const double number = entry.toDouble(-1);
        if (!entry.isDouble() || number < 0 || number > INT_MAX || number != int(number))
            return std::nullopt;
        result.append(int(number));
    }
    return result;
}

} // namespace

QJsonObject DocumentState::toJson() const
{
    QJsonArray open;
    for (const Chain &chain : openThemes)
        open.append(chainArray(chain));
    return {{QStringLiteral("open"), open},
            {QStringLiteral("current"), chainArray(current)},
            {QStringLiteral("cursor"), QJsonArray{cursorLine, cursorColumn}},
            {QStringLiteral("scroll"), QJsonArray{descriptionScroll, treeScroll}}};
}

std::optional<DocumentState> DocumentState::fromJson(const QJsonObject &object)
{
    const QJsonValue open = object.value(QStringLiteral("open"));
    const std::optional<Chain> current = numbers(object.value(QStringLiteral("current")));
    const std::optional<QList<int>> cursor = numbers(object.value(QStringLiteral("cursor")));
    const std::optional<QList<int>> scroll = numbers(object.value(QStringLiteral("scroll")));
    if (!open.isArray() || !current || !cursor || cursor->size() != 2 || !scroll ||
        scroll->size() != 2)
        return std::nullopt;
    DocumentState state;
    for (const QJsonValue &entry : open.toArray()) {
        const std::optional<Chain> chain = numbers(entry);
        if (!chain || chain->isEmpty())
            return std::nullopt;
        state.openThemes.append(*chain);
    }
    state.current = *current;
    state.cursorLine = cursor->at(0);
    state.cursorColumn = cursor->at(1);
    state.descriptionScroll = scroll->at(0);
    state.treeScroll = scroll->at(1);
    return state;
}

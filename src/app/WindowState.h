#pragma once

#include <QByteArray>
#include <QJsonObject>

#include <optional>

// How the user left the program's window: its size, place and maximised state, the tool bars'
// places, the split between tree and description and the height of the find-all panel. The
// blobs are the toolkit's own saved forms, which it checks again when they are applied.
struct WindowState
{
    QByteArray geometry;   // size, place, maximised
    QByteArray bars;       // the tool bars' places
    QByteArray splitter;   // tree and description
    int findAllHeight = 0; // 0: the panel was never opened

    bool operator==(const WindowState &other) const = default;

    QJsonObject toJson() const;
    // Nothing for an object that is not a state written by toJson().
    static std::optional<WindowState> fromJson(const QJsonObject &object);
};
